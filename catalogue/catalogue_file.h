#pragma once
// The few file operations the catalogue needs, on the platform's own calls.
#include <cstddef>
#include <string>

// Creates or replaces the file and writes the bytes with one write. False when it cannot be
// opened, or when the write fails or writes less: the file is then deleted.
bool ReplaceFileWith(const char* path, const char* bytes, std::size_t count);

// Deletes the file; a missing file or a failed deletion is ignored.
void DeleteFileQuietly(const char* path);

// At most this much of a file is read: the download stores at most 102400 bytes, so a larger
// file was not written by it.
constexpr std::size_t kMaxCatalogueFileBytes = 16u * 1024u * 1024u;

// The file's first kMaxCatalogueFileBytes bytes. False when it cannot be opened, a read fails
// or memory is short; `bytes` is then empty.
bool ReadFileBytes(const char* path, std::string& bytes);
