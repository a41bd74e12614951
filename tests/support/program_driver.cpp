#include "program_driver.h"

#include <cstdio>
#include <thread>

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);
constexpr int kStartAttempts = 3;
constexpr auto kStartRetryPause = std::chrono::seconds(1);

struct WindowQuery {
  DWORD processId;
  const char* className;
  const std::string* caption;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* query = reinterpret_cast<WindowQuery*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != query->processId || !IsWindowVisible(window)) return TRUE;
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (lstrcmpiA(cls, query->className) != 0) return TRUE;
  if (!query->caption->empty() && WindowText(window).find(*query->caption) == std::string::npos)
    return TRUE;
  query->found = window;
  return FALSE;
}

std::string BuildEnvironment(const std::vector<std::string>& extra) {
  std::string block;
  char* current = GetEnvironmentStringsA();
  for (const char* p = current; p && *p; p += lstrlenA(p) + 1) {
    std::string entry = p;
    bool replaced = false;
    for (const auto& e : extra) {
      auto eq = e.find('=');
      if (entry.compare(0, eq + 1, e, 0, eq + 1) == 0) replaced = true;
    }
    if (!replaced) block.append(entry).push_back('\0');
  }
  if (current) FreeEnvironmentStringsA(current);
  for (const auto& e : extra) block.append(e).push_back('\0');
  block.push_back('\0');
  return block;
}

}  // namespace

ProgramDriver::~ProgramDriver() {
  if (process_.hProcess) {
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.hProcess, 1);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
}

bool ProgramDriver::Start(const std::string& exe, const std::vector<std::string>& environment) {
  std::string environmentBlock = BuildEnvironment(environment);
  std::string commandLine = "\"" + exe + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  // Wine's own start of a process fails now and then on a loaded machine, before the program's
  // code runs; a program that cannot start fails every attempt. Each failure is told.
  for (int attempt = 1; attempt <= kStartAttempts; ++attempt) {
    if (CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0,
                       &environmentBlock[0], nullptr, &startup, &process_))
      return true;
    std::fprintf(stderr, "CreateProcess \"%s\", attempt %d of %d: error %lu\n", exe.c_str(),
                 attempt, kStartAttempts, GetLastError());
    if (attempt < kStartAttempts) std::this_thread::sleep_for(kStartRetryPause);
  }
  return false;
}

HWND ProgramDriver::WaitForWindow(const char* className, const std::string& caption,
                                  std::chrono::milliseconds timeout) const {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  do {
    WindowQuery query{process_.dwProcessId, className, &caption, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    if (query.found) return query.found;
    std::this_thread::sleep_for(kPollInterval);
  } while (std::chrono::steady_clock::now() < deadline);
  return nullptr;
}

HWND ProgramDriver::WaitForDialog(std::chrono::milliseconds timeout) const {
  return WaitForWindow("#32770", "Quenlix", timeout);
}

bool ProgramDriver::WaitForExit(std::chrono::milliseconds timeout, DWORD* exitCode) const {
  if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
    return false;
  if (exitCode) GetExitCodeProcess(process_.hProcess, exitCode);
  return true;
}
