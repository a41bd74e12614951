#pragma once
// Drives a running detector from outside, as a user would: start it, find its dialog, press
// buttons, read what is visible, close it. Used by the end-to-end tests and the benchmark.
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "window_text.h"

class ProgramDriver {
 public:
  ProgramDriver() = default;
  ProgramDriver(const ProgramDriver&) = delete;
  ProgramDriver& operator=(const ProgramDriver&) = delete;
  ~ProgramDriver();  // ends the program if it still runs

  // Starts `exe` with extra "NAME=value" variables added to this process's environment; a
  // failed start is tried twice more.
  bool Start(const std::string& exe, const std::vector<std::string>& environment);
  // The visible top-level window of class `className` whose caption contains `caption`
  // (any caption when empty), or null after `timeout`.
  HWND WaitForWindow(const char* className, const std::string& caption,
                     std::chrono::milliseconds timeout) const;
  HWND WaitForDialog(std::chrono::milliseconds timeout) const;
  bool WaitForExit(std::chrono::milliseconds timeout, DWORD* exitCode = nullptr) const;
  DWORD ProcessId() const { return process_.dwProcessId; }
  HANDLE Process() const { return process_.hProcess; }

 private:
  PROCESS_INFORMATION process_{};
};
