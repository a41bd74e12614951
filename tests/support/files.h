#pragma once
// Whole files, read and written as bytes: what the tests and the benchmarks check on disk.
#include <string>

bool FileExists(const std::string& path);
// The file's bytes; empty when it cannot be read.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
