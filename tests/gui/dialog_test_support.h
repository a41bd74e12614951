#pragma once
// What the main-dialog tests share: the catalogue server on 127.0.0.1:80 (held for the whole
// test, so that tests running in parallel take turns), a temporary folder of each process's
// own (so they never share PID.ini), and readers for what the dialog shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/platform_parts.h"
#include "loopback_server.h"
#include "usb/sim/usb_simulator.h"
#include "window_text.h"

constexpr const char kServedCatalogue[] =
    "[MAIN]\r\n"
    "TotleNumber=1\r\n"
    "[Number1]\r\n"
    "vid=0x0AC8\r\n"
    "pid=0x0301\r\n"
    "URL_XP_32=http://127.0.0.1/xp32.zip\r\n";
constexpr const char kErrorPage[] = "<html><body>404 Not Found</body></html>\r\n";
constexpr const char kExpectedRequest[] = "GET /english/product/PublicDriver/PID.ini\n";

// Other tests on this machine may hold the port for a while.
constexpr int kPortWaitMs = 90000;

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Serves `body` to the dialog's one request.
  void Serve(const std::string& body);
  // Holds the port without listening: the dialog's connection is refused.
  void RefuseConnections();
  std::string CataloguePath() const;
  bool CatalogueFileExists() const;
  // What the dialog under test walks and asks: the test's simulator and the loopback server.
  PlatformParts Platform() { return {usb_, kLoopbackAddress}; }

  LoopbackServer server_;
  UsbSimulator usb_;

 private:
  std::string tempFolder_;
};

std::wstring WideFromUtf8(const char* text);
// The text of a menu item by position, as the user sees it.
std::wstring WideMenuText(HMENU menu, int position);
// The child of `dialog` whose class and text are given (group boxes have no id of their own).
HWND FindChildByText(HWND dialog, const std::wstring& text);
// A message box owned by `owner`: its caption and its message text.
struct MessageBoxSeen {
  bool seen = false;
  std::wstring caption;
  std::wstring text;
};
MessageBoxSeen ReadMessageBox(HWND box);
