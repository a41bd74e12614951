#pragma once
// An exception that unwinds through the window system's frames ends the process on Windows.
// Every procedure the system calls runs its work through CatchAtEdge: an exception stops there,
// one line goes to standard error, and the message gets its default answer instead.
#include <windows.h>

#include <exception>

void ReportEscapedException(const char* where, UINT message, const char* what) noexcept;

template <class Body, class Fallback>
auto CatchAtEdge(const char* where, UINT message, Body&& body, Fallback&& fallback) noexcept
    -> decltype(body()) {
  try {
    return body();
  } catch (const std::exception& error) {
    ReportEscapedException(where, message, error.what());
  } catch (...) {
    ReportEscapedException(where, message, "unknown exception");
  }
  return fallback();
}
