#pragma once
// ASCII letter case, as the platform's case-blind comparisons of names and schemes treat it:
// bytes outside A-Z are left alone, whatever the code page.

inline char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
