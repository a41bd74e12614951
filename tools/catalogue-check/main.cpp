// catalogue-check: what every user's detector will make of a catalogue file or server.
#include <cstdio>

#include "check_command.h"

int main(int argc, char** argv) { return RunCatalogueCheck(argc, argv, stdout); }
