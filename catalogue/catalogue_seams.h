#pragma once
// Points where tests replace what the platform would answer. Each setter takes nullptr (or
// the defaults) to restore the real behaviour. Not for the program itself.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "catalogue/fetch_catalogue.h"

struct CatalogueEntry;

namespace catalogue_seams {

// Same contract as GetTempPathA: the length written (folder ends with a separator), the size
// needed when the buffer is too small, 0 on failure.
using TempFolderFn = unsigned (*)(unsigned size, char* buffer);
void SetTempFolder(TempFolderFn fn);

struct SocketStartup {
  int code;               // what WSAStartup returned
  std::uint16_t version;  // the version it granted
};
using SocketStartupFn = SocketStartup (*)();
void SetSocketStartup(SocketStartupFn fn);

// Returns `count` cleared records in a block that std::free releases, or nullptr when memory
// is short.
using EntryAllocatorFn = CatalogueEntry* (*)(std::uint32_t count);
void SetEntryAllocator(EntryAllocatorFn fn);

// Returns `size` bytes that delete[] releases, or nullptr when memory is short.
using ReplyAllocatorFn = char* (*)(std::size_t size);
void SetReplyAllocator(ReplyAllocatorFn fn);

// Same contract as fread of `size` bytes from a file opened "rb"; `failed` tells whether the
// stream's error indicator is set after the call.
using FileReadFn = std::size_t (*)(char* buffer, std::size_t size, std::FILE* file, bool& failed);
void SetFileRead(FileReadFn fn);

// One write of `count` bytes to the file being replaced: the count written; `failed` tells
// whether the call failed.
using FileWrite = std::function<std::size_t(const char* bytes, std::size_t count, bool& failed)>;
// Stands in for that write; `platform` is the platform's own write to the same file.
using FileWriteFn = std::size_t (*)(const char* bytes, std::size_t count, bool& failed,
                                    const FileWrite& platform);
void SetFileWrite(FileWriteFn fn);

void SetFetchTimeouts(int connectMilliseconds, int receiveMilliseconds,
                      int exchangeMilliseconds = kExchangeTimeoutMilliseconds);
void RestoreFetchTimeouts();

}  // namespace catalogue_seams
