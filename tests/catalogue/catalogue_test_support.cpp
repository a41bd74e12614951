#include "catalogue_test_support.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#include "catalogue/catalogue_seams.h"
#include "catalogue/temp_folder.h"

#ifdef _WIN32
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

std::string g_folder;  // what the seam reports while a scope lives

unsigned FolderForTests(unsigned size, char* buffer) {
  if (g_folder.size() + 1 > size) return static_cast<unsigned>(g_folder.size() + 1);
  std::memcpy(buffer, g_folder.c_str(), g_folder.size() + 1);
  return static_cast<unsigned>(g_folder.size());
}

std::string SystemTempFolder() {
  char buffer[260];
  unsigned length = TempFolder(sizeof buffer, buffer);
  return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

std::string UniqueName(const char* prefix) {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  return std::string(prefix) + std::to_string(random()) + "-" + std::to_string(counter++);
}

}  // namespace

TempFolderScope::TempFolderScope() {
  std::string base = SystemTempFolder();
  folder_ = base + UniqueName("catalogue-test-");
#ifdef _WIN32
  _mkdir(folder_.c_str());
  folder_ += '\\';
#else
  mkdir(folder_.c_str(), 0700);
  folder_ += '/';
#endif
  g_folder = folder_;
  catalogue_seams::SetTempFolder(&FolderForTests);
}

TempFolderScope::~TempFolderScope() {
  catalogue_seams::SetTempFolder(nullptr);
  std::remove(CataloguePath().c_str());
  std::string dir = folder_.substr(0, folder_.size() - 1);
#ifdef _WIN32
  _rmdir(dir.c_str());
#else
  rmdir(dir.c_str());
#endif
}

StderrCapture::StderrCapture() {
  file_ = SystemTempFolder() + UniqueName("stderr-");
  std::fflush(stderr);
#ifdef _WIN32
  // Opened in the runtime's default text mode, like the stream the program really has.
  int fd = _open(file_.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC, 0600);
  saved_ = _dup(2);
  _dup2(fd, 2);
  _close(fd);
#else
  int fd = open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  saved_ = dup(2);
  dup2(fd, 2);
  close(fd);
#endif
}

std::string StderrCapture::Stop() {
  if (saved_ < 0) return {};
  std::fflush(stderr);
#ifdef _WIN32
  _dup2(saved_, 2);
  _close(saved_);
#else
  dup2(saved_, 2);
  close(saved_);
#endif
  saved_ = -1;
  std::string bytes = ReadBytes(file_);
  std::remove(file_.c_str());
  return bytes;
}

StderrCapture::~StderrCapture() { Stop(); }

std::string AsWritten(const std::string& text) {
#ifdef _WIN32
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
#else
  return text;
#endif
}
