#pragma once
// What the benchmarks print: milliseconds, and the median of a run's samples.
#include <algorithm>
#include <chrono>
#include <vector>

inline double Ms(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}
