// Runs the real main dialog and the about box at whatever DPI this process started with, and
// writes what a user would see of them: every control's rectangle, visibility, text extent in
// its own font. dpi_layout_test starts it once per DPI and language and checks the figures.
//   dpi_layout_probe OUTPUT-FILE
// Lines: "dpi N", "screen-only-dpi N" (the main dialog's DPI where the system has no DPI
// function but the screen's), then per dialog "dialog NAME CAPTION-UTF8 WIDTH HEIGHT FONT-HEIGHT", then its
// "control ID KIND VISIBLE LEFT TOP RIGHT BOTTOM TEXT-WIDTH TEXT-HEIGHT FONT-HEIGHT UNDERLINED",
// and "end" after the last dialog.
#include <windows.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "app/detector_dlg.h"
#include "framework/system_functions.h"
#include "framework/window_dpi.h"
#include "link_label_test_dialog.h"
#include "loopback_server.h"
#include "res/resource.h"
#include "ui_driver.h"
#include "usb/sim/topology_file.h"
#include "usb/sim/usb_simulator.h"

namespace {

constexpr DWORD kRunTimeoutMs = 60000;
constexpr int kTextSize = 512;
const char kCatalogue[] =
    "[MAIN]\r\nTotleNumber=1\r\n[Number1]\r\nvid=0x1234\r\npid=0x5678\r\n"
    "URL_XP_32=http://127.0.0.1/xp32.zip\r\nURL_XP_64=http://127.0.0.1/xp64.zip\r\n"
    "URL_Vista_32=http://127.0.0.1/vista32.zip\r\nURL_Vista_64=http://127.0.0.1/vista64.zip\r\n";
const char kNoCamera[] = "controller 0\n  port 1 device 0x046d 0xc077\n";
const char kCamera[] = "controller 0\n  port 1 device 0x1234 0x5678\n";

std::string Utf8(const std::wstring& text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return "-";
  std::string utf8(static_cast<std::size_t>(size - 1), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
  for (char& c : utf8) {
    if (c == ' ') c = '_';  // one field
  }
  return utf8;
}

std::wstring TextOf(HWND window) {
  wchar_t text[kTextSize] = {};
  ::GetWindowTextW(window, text, kTextSize);
  return text;
}

LOGFONTW FontOf(HWND window) {
  LOGFONTW font{};
  const auto handle = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
  if (handle != nullptr) ::GetObjectW(handle, sizeof font, &font);
  return font;
}

// Kinds the checks tell apart.
std::string KindOf(HWND control) {
  char name[64] = {};
  ::GetClassNameA(control, name, sizeof name);
  const auto style = static_cast<DWORD>(::GetWindowLongW(control, GWL_STYLE));
  if (lstrcmpiA(name, "Button") == 0) {
    return (style & BS_TYPEMASK) == BS_GROUPBOX ? "groupbox" : "button";
  }
  if (lstrcmpiA(name, "Static") == 0) {
    if ((style & SS_TYPEMASK) == SS_ICON) return "icon";
    const int id = ::GetDlgCtrlID(control);
    const bool link = id == IDC_LINK_XP32 || id == IDC_LINK_XP64 || id == IDC_LINK_VISTA32 ||
                      id == IDC_LINK_VISTA64;
    return link ? "link" : "text";
  }
  return "other";
}

// The text as the control draws it, on one line, in the control's own font; for a link, as
// far as its pixels reach where they reach past its measured width.
SIZE DrawnExtent(HWND control) {
  SIZE extent{};
  const std::wstring text = TextOf(control);
  if (text.empty()) return extent;
  if (KindOf(control) == "link") {
    char ansi[256] = {};
    ::GetWindowTextA(control, ansi, sizeof ansi);
    return ExtentInWindowFont(control, ansi);
  }
  const HDC dc = ::GetDC(control);
  const auto font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  const HGDIOBJ previous = ::SelectObject(dc, font);
  UINT format = DT_CALCRECT | DT_SINGLELINE;
  const auto style = static_cast<DWORD>(::GetWindowLongW(control, GWL_STYLE));
  if (KindOf(control) == "text" && (style & SS_NOPREFIX) != 0) format |= DT_NOPREFIX;
  RECT rect{0, 0, 0, 0};
  ::DrawTextW(dc, text.c_str(), -1, &rect, format);
  ::SelectObject(dc, previous);
  ::ReleaseDC(control, dc);
  extent.cx = rect.right - rect.left;
  extent.cy = rect.bottom - rect.top;
  return extent;
}

void Describe(std::ostringstream& out, const char* name, HWND dialog) {
  RECT client{};
  ::GetClientRect(dialog, &client);
  out << "dialog " << name << ' ' << Utf8(TextOf(dialog)) << ' ' << client.right << ' '
      << client.bottom << ' ' << FontOf(dialog).lfHeight << '\n';
  for (HWND control = ::GetWindow(dialog, GW_CHILD); control != nullptr;
       control = ::GetWindow(control, GW_HWNDNEXT)) {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    const SIZE extent = DrawnExtent(control);
    const LOGFONTW font = FontOf(control);
    out << "control " << ::GetDlgCtrlID(control) << ' ' << KindOf(control) << ' '
        << (::IsWindowVisible(control) ? 1 : 0) << ' ' << rect.left << ' ' << rect.top << ' '
        << rect.right << ' ' << rect.bottom << ' ' << extent.cx << ' ' << extent.cy << ' '
        << font.lfHeight << ' ' << (font.lfUnderline ? 1 : 0) << '\n';
  }
}

bool PlugIn(UsbSimulator& usb, const char* topology) {
  usb.RemoveAllControllers();
  std::istringstream text(topology);
  std::ostringstream errors;
  return LoadTopology(text, "probe", usb, errors);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: dpi_layout_probe OUTPUT-FILE\n");
    return 2;
  }
  if (StartSockets().code != 0) {
    std::fprintf(stderr, "probe: sockets would not start\n");
    return 3;
  }
  ServerScript script;
  script.pieces = {kCatalogue};
  LoopbackServer server;
  if (!server.Start(script)) {
    std::fprintf(stderr, "probe: no catalogue server on port 80\n");
    return 4;
  }

  UsbSimulator usb;
  std::ostringstream out;
  {
    const HDC screen = ::GetDC(nullptr);
    out << "dpi " << ::GetDeviceCaps(screen, LOGPIXELSY) << '\n';
    ::ReleaseDC(nullptr, screen);
  }
  CDetectorDlg dialog({usb, kLoopbackAddress});
  int stage = 0;
  UiDriver driver(
      [&] {
        if (dialog.m_hWnd == nullptr || !::IsWindowVisible(dialog.m_hWnd)) return false;
        if (stage == 0) {  // the not-found message, then the four links
          PretendSystemLacks({"GetDpiForWindow", "GetDpiForMonitor"});  // before Windows 8.1
          out << "screen-only-dpi " << WindowDpi(dialog.m_hWnd) << '\n';
          PretendSystemLacks({});
          if (!PlugIn(usb, kNoCamera)) return true;
          PressButton(dialog.m_hWnd, IDC_CHECK_DEVICE);
          Describe(out, "main-not-found", dialog.m_hWnd);
          if (!PlugIn(usb, kCamera)) return true;
          PressButton(dialog.m_hWnd, IDC_CHECK_DEVICE);
          Describe(out, "main-found", dialog.m_hWnd);
          ::PostMessageW(dialog.m_hWnd, WM_SYSCOMMAND, IDM_ABOUT, 0);
          stage = 1;
          return false;
        }
        HWND about = nullptr;
        for (HWND shown : ThreadDialogs(nullptr)) {
          if (shown != dialog.m_hWnd) about = shown;
        }
        if (stage == 1 && about != nullptr) {
          Describe(out, "about", about);
          ::PostMessageW(about, WM_COMMAND, IDOK, 0);
          stage = 2;
          return false;
        }
        if (stage == 2 && about == nullptr) {
          ::PostMessageW(dialog.m_hWnd, WM_COMMAND, IDCANCEL, 0);
          return true;
        }
        return false;
      },
      kRunTimeoutMs);
  dialog.DoModal();
  server.Stop();
  CleanUpSockets();
  if (driver.TimedOut() || stage != 2) {
    std::fprintf(stderr, "probe: the dialogs ended at stage %d%s\n", stage,
                 driver.TimedOut() ? " (timed out)" : "");
    return 5;
  }
  out << "end\n";

  FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) return 6;
  const std::string text = out.str();
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written ? 0 : 7;
}
