// Only its cursor resource matters; the label loads it as data and never runs it.
int main() { return 0; }
