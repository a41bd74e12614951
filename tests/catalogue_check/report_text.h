#pragma once
// The checker's text report, with what changes from run to run put in its place.
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

// Each `from` in `text` as `to`, left to right; what `to` brings in is not looked at again.
inline std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}
