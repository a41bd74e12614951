#include "file_read.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "catalogue/catalogue_file.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

struct SystemSize {
  bool regular = false;  // only then is `bytes` the file's size
  std::uint64_t bytes = 0;
};

SystemSize SizeOf(std::FILE* file) {
  SystemSize size;
#ifdef _WIN32
  // GetFileSize and GetFileType are as old as Windows NT; opening a directory fails already.
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK) return size;
  DWORD high = 0;
  const DWORD low = GetFileSize(handle, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return size;
  size.regular = true;
  size.bytes = static_cast<std::uint64_t>(high) << 32 | low;
#else
  struct stat status {};
  if (fstat(fileno(file), &status) != 0) return size;
  size.regular = S_ISREG(status.st_mode);
  if (size.regular) size.bytes = static_cast<std::uint64_t>(status.st_size);
#endif
  return size;
}

}  // namespace

FileRead ReadCatalogueFile(const std::string& path) {
  FileRead file;
  errno = 0;
  std::unique_ptr<std::FILE, FileCloser> stream(std::fopen(path.c_str(), "rb"));
  if (!stream) {
    file.why = errno != 0 ? std::strerror(errno) : "cannot be opened";
    return file;
  }
  const SystemSize system = SizeOf(stream.get());
  // One byte past the bound tells a pipe or device that goes on from one that ends there.
  constexpr std::size_t kChunk = 64 * 1024;
  char chunk[kChunk];
  bool more = false;
  try {
    while (!more) {
      const std::size_t room = kMaxCatalogueFileBytes - file.bytes.size();
      const std::size_t want = room < kChunk ? room + 1 : kChunk;
      const std::size_t got = std::fread(chunk, 1, want, stream.get());
      if (got == 0) break;
      more = got > room;
      file.bytes.append(chunk, more ? room : got);
    }
  } catch (const std::bad_alloc&) {
    file.bytes.clear();
    file.why = std::strerror(ENOMEM);
    return file;
  }
  // A directory opens here, and its first read fails like any other.
  if (std::ferror(stream.get())) {
    file.why = std::strerror(errno != 0 ? errno : EIO);
    file.bytes.clear();
    return file;
  }
  file.readable = true;
  if (system.regular && system.bytes > file.bytes.size())
    file.size = FileSize{system.bytes, false};
  else
    file.size = FileSize{file.bytes.size(), more};
  return file;
}
