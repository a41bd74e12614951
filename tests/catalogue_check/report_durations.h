#pragma once
// The checker's text report without what changes from run to run.
#include <cctype>
#include <string>

// Each "N.NNN s" as "#.### s": how long a server took is no part of the answer.
inline std::string WithoutDurations(std::string report) {
  const auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
  for (std::size_t dot = report.find('.'); dot != std::string::npos; dot = report.find('.', dot + 1)) {
    std::size_t start = dot;
    while (start > 0 && digit(report[start - 1])) --start;
    if (start == dot || dot + 6 > report.size() || !digit(report[dot + 1]) ||
        !digit(report[dot + 2]) || !digit(report[dot + 3]) || report.compare(dot + 4, 2, " s") != 0)
      continue;
    report.replace(start, dot + 6 - start, "#.### s");
    dot = start;
  }
  return report;
}
