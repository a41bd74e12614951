// "Check Device" in the real main dialog: a simulated USB topology that the test changes
// between presses, a served catalogue, and what the labels and the status text show after.
#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/detector_dlg.h"
#include "common/language.h"
#include "common/messages.h"
#include "dialog_test_support.h"
#include "framework/system_functions.h"
#include "ui_driver.h"
#include "link_label_test_dialog.h"
#include "res/resource.h"
#include "usb/sim/topology_file.h"

namespace {

constexpr int kLinkIds[] = {IDC_LINK_XP32, IDC_LINK_XP64, IDC_LINK_VISTA32, IDC_LINK_VISTA64};
constexpr COLORREF kLinkColor = RGB(0, 0, 238);

const char kCamera[] = "controller 0\n  port 1 hub 0x05e3 0x0608\n    port 3 device 0x1234 0x5678\n";
const char kNoCamera[] = "controller 0\n  port 1 device 0x046d 0xc077\n  port 2 empty\n";

std::string Record(int n, const char* ids, const std::vector<std::string>& urls) {
  static const char* const kKeys[] = {"URL_XP_32", "URL_XP_64", "URL_Vista_32", "URL_Vista_64"};
  std::string text = "[Number" + std::to_string(n) + "]\r\n" + ids;
  for (std::size_t i = 0; i < urls.size(); ++i) {
    if (!urls[i].empty()) text += std::string(kKeys[i]) + "=" + urls[i] + "\r\n";
  }
  return text;
}

std::string Catalogue(const std::vector<std::string>& records) {
  std::string text = "[MAIN]\r\nTotleNumber=" + std::to_string(records.size()) + "\r\n";
  for (const auto& r : records) text += r;
  return text;
}

const std::vector<std::string> kFourUrls = {"http://a.example/xp32", "http://a.example/xp64",
                                            "http://a.example/v32", "http://a.example/v64"};
const char kCameraIds[] = "vid=0x1234\r\npid=0x5678\r\n";

void PlugIn(UsbSimulator& usb, const char* topology) {
  usb.RemoveAllControllers();
  std::istringstream text(topology);
  std::ostringstream errors;
  ASSERT_TRUE(LoadTopology(text, "test", usb, errors)) << errors.str();
}

struct LinkView {
  bool visible = false;
  std::string tip;
  bool underlined = false;
  HFONT font = nullptr;
  COLORREF color = 0;
  bool linkCursor = false;
  TextInk ink;  // read for a shown link only
};

LinkView ViewLink(HWND dialog, int id) {
  LinkView view;
  HWND label = ::GetDlgItem(dialog, id);
  view.visible = ::IsWindowVisible(label) != FALSE;
  view.tip = TooltipText(FindLabelTooltip(label), label);
  view.font = reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0));
  LOGFONTA font{};
  if (view.font && ::GetObjectA(view.font, sizeof font, &font)) view.underlined = font.lfUnderline != 0;
  view.color = QueryLabelColor(dialog, label).text;
  ::SetCursor(nullptr);
  ::SendMessageA(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  view.linkCursor = ::GetCursor() == ::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_LINK_CURSOR));
  if (view.visible) view.ink = ReadTextInk(label);
  return view;
}

// The fonts the prefix links to `face` for characters it lacks, as one text.
std::string LinkedFonts(const char* face) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                      "Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink", 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return "";
  }
  char value[4096] = {};
  DWORD size = sizeof value - 2;
  const LONG read = ::RegQueryValueExA(key, face, nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(value), &size);
  ::RegCloseKey(key);
  return read == ERROR_SUCCESS ? std::string(value, size) : "";
}

struct Screen {
  LinkView links[4];
  bool statusVisible = false;
  std::string statusText;
  bool computerLineVisible = false;
  std::string computerLine;
  bool markVisible = false;
  std::string markFace;
  LONG markHeight = 0, dialogFontHeight = 0;
};

LOGFONTA FontOf(HWND window) {
  LOGFONTA font{};
  const auto handle = reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0));
  if (handle != nullptr) ::GetObjectA(handle, sizeof font, &font);
  return font;
}

Screen ReadScreen(HWND dialog) {
  Screen screen;
  for (int i = 0; i < 4; ++i) screen.links[i] = ViewLink(dialog, kLinkIds[i]);
  HWND status = ::GetDlgItem(dialog, IDC_STATUS_TEXT);
  screen.statusVisible = ::IsWindowVisible(status) != FALSE;
  screen.statusText = WindowText(status);
  HWND line = ::GetDlgItem(dialog, IDC_THIS_COMPUTER);
  screen.computerLineVisible = ::IsWindowVisible(line) != FALSE;
  screen.computerLine = WindowText(line);
  HWND mark = ::GetDlgItem(dialog, IDC_FIT_MARK);
  screen.markVisible = ::IsWindowVisible(mark) != FALSE;
  const LOGFONTA markFont = FontOf(mark);
  screen.markFace = markFont.lfFaceName;
  screen.markHeight = markFont.lfHeight;
  screen.dialogFontHeight = FontOf(dialog).lfHeight;
  return screen;
}

// Windows on ARM64 as either exe hears it: x64 emulation is no WOW64 process.
BOOL WINAPI OnArm64(HANDLE, USHORT* process, USHORT* native) {
  *process = sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_UNKNOWN : IMAGE_FILE_MACHINE_I386;
  *native = 0xAA64;
  return TRUE;
}

class CheckDevices : public DialogTest {
 protected:
  // Before each press the topology is set; after it, the screen is read.
  std::vector<Screen> RunPresses(const std::vector<const char*>& topologies);
};

std::vector<Screen> CheckDevices::RunPresses(const std::vector<const char*>& topologies) {
  std::vector<Screen> screens;
  CDetectorDlg dialog(Platform());
  UiDriver driver([&] {
    if (dialog.m_hWnd == nullptr || !::IsWindowVisible(dialog.m_hWnd)) return false;
    for (const char* topology : topologies) {
      PlugIn(usb_, topology);
      PressButton(dialog.m_hWnd, IDC_CHECK_DEVICE);
      // The link that fits this computer takes the focus; its focus rectangle is no letter.
      ::SetFocus(::GetDlgItem(dialog.m_hWnd, IDC_CHECK_DEVICE));
      screens.push_back(ReadScreen(dialog.m_hWnd));
    }
    ::PostMessageA(dialog.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    return true;
  });
  dialog.DoModal();
  EXPECT_FALSE(driver.TimedOut());
  EXPECT_EQ(usb_.OpenHandles(), 0u);
  return screens;
}

TEST_F(CheckDevices, NothingConnectedShowsTheNotFoundMessageInTheSystemLanguage) {
  Serve(Catalogue({Record(1, kCameraIds, kFourUrls)}));
  char expected[16] = {};
  if (::GetEnvironmentVariableA("DETECTOR_EXPECT_MESSAGE_LANG", expected, sizeof expected) > 0) {
    ASSERT_EQ(::GetSystemDefaultLangID(), std::stoi(expected)) << "the run's system language";
  }
  auto screens = RunPresses({kNoCamera});
  ASSERT_EQ(screens.size(), 1u);
  EXPECT_TRUE(screens[0].statusVisible);
  EXPECT_EQ(screens[0].statusText, NotFoundMessage(::GetSystemDefaultLangID()));
  if (::GetSystemDefaultLangID() == kChineseLanguageId) {
    EXPECT_EQ(screens[0].statusText.substr(0, 8), "\xC3\xBB\xD3\xD0\xB7\xA2\xCF\xD6");
  } else {
    EXPECT_EQ(screens[0].statusText, "There is no Quenlix's Device!");
  }
  for (const auto& link : screens[0].links) EXPECT_FALSE(link.visible);
}

TEST_F(CheckDevices, ACameraWithFourAddressesShowsFourConfiguredLinks) {
  // Not the demo's font links (scripts/demo.sh): with them the dialog's face draws narrower than
  // it measures, and a label fitted too tight still shows its last letter.
  for (const char* face : {"Tahoma", "Microsoft Sans Serif"}) {
    ASSERT_EQ(LinkedFonts(face).find("wqy-microhei"), std::string::npos) << face;
  }
  Serve(Catalogue({Record(1, kCameraIds, kFourUrls)}));
  auto screens = RunPresses({kCamera});
  ASSERT_EQ(screens.size(), 1u);
  EXPECT_FALSE(screens[0].statusVisible);
  // The mark beside this computer's link: the system's arrowhead glyph, as tall as the text.
  EXPECT_TRUE(screens[0].markVisible);
  EXPECT_EQ(screens[0].markFace, "Marlett");
  EXPECT_NE(screens[0].dialogFontHeight, 0);
  EXPECT_EQ(screens[0].markHeight, screens[0].dialogFontHeight);
  for (int i = 0; i < 4; ++i) {
    const LinkView& link = screens[0].links[i];
    EXPECT_TRUE(link.visible) << i;
    EXPECT_EQ(link.tip, kFourUrls[static_cast<std::size_t>(i)]) << i;
    EXPECT_TRUE(link.underlined) << i;
    EXPECT_EQ(link.color, kLinkColor) << i;
    EXPECT_TRUE(link.linkCursor) << i;
    // Every letter inside the label, the last one too, in a prefix without font links.
    EXPECT_FALSE(link.ink.whole.empty()) << i;
    EXPECT_EQ(link.ink.painted, link.ink.whole) << i;
  }
}

TEST_F(CheckDevices, OnlyTheAddressesGivenAreShown) {
  Serve(Catalogue({Record(1, kCameraIds, {"http://a.example/xp32", "", "http://a.example/v32", ""})}));
  auto screens = RunPresses({kCamera});
  ASSERT_EQ(screens.size(), 1u);
  EXPECT_TRUE(screens[0].links[0].visible);
  EXPECT_FALSE(screens[0].links[1].visible);
  EXPECT_TRUE(screens[0].links[2].visible);
  EXPECT_FALSE(screens[0].links[3].visible);
  EXPECT_FALSE(screens[0].statusVisible);
}

TEST_F(CheckDevices, LinksOnceShownStayAndAreNotConfiguredAgain) {
  Serve(Catalogue({Record(1, kCameraIds, kFourUrls)}));
  auto screens = RunPresses({kCamera, kCamera, kNoCamera});
  ASSERT_EQ(screens.size(), 3u);
  for (int i = 0; i < 4; ++i) {
    // A new configuration would have made the label a new font.
    EXPECT_EQ(screens[1].links[i].font, screens[0].links[i].font) << i;
    EXPECT_EQ(screens[2].links[i].font, screens[0].links[i].font) << i;
    EXPECT_TRUE(screens[2].links[i].visible) << "unplugging takes nothing back: " << i;
    EXPECT_EQ(screens[2].links[i].tip, kFourUrls[static_cast<std::size_t>(i)]);
  }
  EXPECT_FALSE(screens[2].statusVisible) << "the message never shows after a match";
}

TEST_F(CheckDevices, PluggingInAfterANotFoundHidesTheMessage) {
  Serve(Catalogue({Record(1, kCameraIds, kFourUrls)}));
  auto screens = RunPresses({kNoCamera, kCamera});
  ASSERT_EQ(screens.size(), 2u);
  EXPECT_TRUE(screens[0].statusVisible);
  EXPECT_FALSE(screens[1].statusVisible);
  for (const auto& link : screens[1].links) EXPECT_TRUE(link.visible);
}

TEST_F(CheckDevices, LaterEntriesWithTheSameIdsReplaceOnlyTheirNonEmptyAddresses) {
  Serve(Catalogue({Record(1, kCameraIds, kFourUrls),
                   Record(2, kCameraIds, {"http://b.example/xp32", "", "", "http://b.example/v64"})}));
  auto screens = RunPresses({kCamera});
  ASSERT_EQ(screens.size(), 1u);
  EXPECT_EQ(screens[0].links[0].tip, "http://b.example/xp32");
  EXPECT_EQ(screens[0].links[1].tip, kFourUrls[1]);
  EXPECT_EQ(screens[0].links[2].tip, kFourUrls[2]);
  EXPECT_EQ(screens[0].links[3].tip, "http://b.example/v64");
}

// The exe runs there under emulation, but no x86 or x64 driver loads: no link is this computer's.
TEST_F(CheckDevices, OnAnArm64ProcessorTheLineSaysNoDriverFitsAndNoLinkIsMarked) {
  PretendSystemHas("IsWow64Process2", &OnArm64);
  Serve(Catalogue({Record(1, kCameraIds, kFourUrls)}));
  auto screens = RunPresses({kCamera});
  PretendSystemHas("IsWow64Process2", nullptr);
  ASSERT_EQ(screens.size(), 1u);
  EXPECT_TRUE(screens[0].computerLineVisible);
  const int language = ::GetSystemDefaultLangID();
  EXPECT_EQ(screens[0].computerLine,
            ThisComputerLine(language, {ComputerLineKind::kProcessor, "Windows 7", true, "ARM64", 0}))
      << "the prefix's Windows";
  if (language != kChineseLanguageId) {
    EXPECT_EQ(screens[0].computerLine,
              "This computer: Windows 7, ARM64 processor. None of the drivers fits it: x86 and "
              "x64 drivers do not load on this processor.");
  }
  EXPECT_FALSE(screens[0].markVisible);
  for (const auto& link : screens[0].links) EXPECT_TRUE(link.visible);
}

TEST_F(CheckDevices, AMatchWithoutAddressesShowsNeitherLinkNorMessage) {
  Serve(Catalogue({Record(1, kCameraIds, {})}));
  auto screens = RunPresses({kCamera});
  ASSERT_EQ(screens.size(), 1u);
  EXPECT_FALSE(screens[0].statusVisible);
  for (const auto& link : screens[0].links) EXPECT_FALSE(link.visible);
}

}  // namespace
