#pragma once
// What the program does to one download address on its way to the browser.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "problem_kinds.h"

struct AddressFinding {
  ProblemKind kind;
  std::string message;
};

// `stored` as the table holds it, `written` the whole value in the file (unquoted).
std::vector<AddressFinding> CheckAddress(std::string_view stored, std::string_view written);
