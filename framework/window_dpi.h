#pragma once
// The DPI a window is laid out for, as far as the system can tell.
#include <windows.h>

// Windows 10 answers for the window itself (GetDpiForWindow), 8.1 for its monitor
// (GetDpiForMonitor, which answers the system DPI to a process that is not per-monitor aware,
// as this one is not there); before that every window has the screen's DPI.
UINT WindowDpi(HWND hwnd);
