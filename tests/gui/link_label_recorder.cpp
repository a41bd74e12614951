// Stands in for the program registered for HTML files: writes the command line it was started
// with, as one line, to the file named by LINK_LABEL_RECORD (written aside, then renamed, so a
// reader never sees half of it).
#include <windows.h>

#include <string>

int main() {
  char target[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableA("LINK_LABEL_RECORD", target, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  const std::string partial = std::string(target) + ".part";
  const std::string line = std::string(::GetCommandLineA()) + "\n";
  HANDLE file = ::CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ::CloseHandle(file);
  if (!ok) return 1;
  return ::MoveFileExA(partial.c_str(), target, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
