#pragma once
// Whole files, read and written as bytes: what the tests and the benchmarks check on disk.
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

bool FileExists(const std::string& path);
// The file's bytes; empty when it cannot be read.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
// The complete lines of `text` (each ended by a line feed), without their line feeds; a last
// line still being written is left out.
std::vector<std::string> Lines(const std::string& text);
// The file's complete lines once it has `count` of them, or whatever it has when `timeout`
// ends: for a record that another process writes.
std::vector<std::string> WaitForLines(const std::string& path, std::size_t count,
                                      std::chrono::milliseconds timeout);
