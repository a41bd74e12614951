#include "framework/catch_at_edge.h"

#include <cstdio>

void ReportEscapedException(const char* where, UINT message, const char* what) noexcept {
  std::fprintf(stderr, "\n%s(0x%04X): %s\n", where, message, what != nullptr ? what : "");
}
