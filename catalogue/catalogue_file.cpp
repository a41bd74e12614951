#include "catalogue/catalogue_file.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

#include "catalogue/catalogue_seams.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
struct HandleCloser {
  void operator()(void* handle) const { CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

FileHandle OpenForReplace(const char* path) {
  HANDLE handle = CreateFileA(path, FILE_ALL_ACCESS, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  return FileHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}
#else
struct FdCloser {
  void operator()(int* fd) const {
    close(*fd);
    delete fd;
  }
};
using FileHandle = std::unique_ptr<int, FdCloser>;

FileHandle OpenForReplace(const char* path) {
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  int* owned = new (std::nothrow) int(fd);
  if (owned == nullptr) close(fd);
  return FileHandle(owned);
}
#endif

// One write of the bytes to the open file: the count written, `failed` when the call failed.
std::size_t PlatformWrite(const FileHandle& file, const char* bytes, std::size_t count,
                          bool& failed) {
#ifdef _WIN32
  const auto size = static_cast<DWORD>(count);
  DWORD written = 0;
  failed = size != count || !WriteFile(file.get(), bytes, size, &written, nullptr);
  return failed ? 0 : written;
#else
  const ssize_t written = write(*file, bytes, count);
  failed = written < 0;
  return failed ? 0 : static_cast<std::size_t>(written);
#endif
}

std::size_t PlatformRead(char* buffer, std::size_t size, std::FILE* file, bool& failed) {
  std::size_t got = std::fread(buffer, 1, size, file);
  failed = std::ferror(file) != 0;
  return got;
}

catalogue_seams::FileReadFn g_read = nullptr;
catalogue_seams::FileWriteFn g_write = nullptr;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool ReplaceFileWith(const char* path, const char* bytes, std::size_t count) {
  FileHandle file = OpenForReplace(path);
  if (!file) return false;
  const catalogue_seams::FileWrite platform = [&file](const char* from, std::size_t size,
                                                       bool& failed) {
    return PlatformWrite(file, from, size, failed);
  };
  bool failed = false;
  const std::size_t written =
      g_write != nullptr ? g_write(bytes, count, failed, platform) : platform(bytes, count, failed);
  file.reset();
  // A full disk keeps part of the text, which would read as a shorter table: nothing is kept.
  if (failed || written != count) {
    DeleteFileQuietly(path);
    return false;
  }
  return true;
}

void DeleteFileQuietly(const char* path) {
#ifdef _WIN32
  DeleteFileA(path);
#else
  unlink(path);
#endif
}

bool ReadFileBytes(const char* path, std::string& bytes) {
  bytes.clear();
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return false;
  constexpr std::size_t kChunk = 64 * 1024;
  char chunk[kChunk];
  while (bytes.size() < kMaxCatalogueFileBytes) {
    std::size_t want = std::min(kChunk, kMaxCatalogueFileBytes - bytes.size());
    bool failed = false;
    std::size_t got = (g_read != nullptr ? g_read : PlatformRead)(chunk, want, file.get(), failed);
    // The bytes before a failed read are not the file: never a shorter text taken as whole.
    if (failed) {
      bytes.clear();
      return false;
    }
    if (got == 0) break;
    try {
      bytes.append(chunk, got);
    } catch (const std::bad_alloc&) {
      bytes.clear();
      return false;
    }
  }
  return true;
}

void catalogue_seams::SetFileRead(FileReadFn fn) { g_read = fn; }

void catalogue_seams::SetFileWrite(FileWriteFn fn) { g_write = fn; }
