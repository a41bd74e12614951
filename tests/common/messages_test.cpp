// The texts the code chooses itself follow the language id: Chinese for Chinese (PRC) only.
#include "common/messages.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Messages, NotFoundMessageIsChineseOnlyForChinesePrc) {
  EXPECT_STREQ(NotFoundMessage(1033), "There is no Quenlix's Device!");
  EXPECT_STREQ(NotFoundMessage(1028), "There is no Quenlix's Device!");
  // GBK for the Chinese sentence, ending in an ASCII exclamation mark.
  const std::string chinese = NotFoundMessage(2052);
  EXPECT_EQ(chinese.size(), 22u);
  EXPECT_EQ(chinese.substr(0, 8), "\xC3\xBB\xD3\xD0\xB7\xA2\xCF\xD6");
  EXPECT_EQ(chinese.substr(8, 7), "Quenlix");
  EXPECT_EQ(chinese.back(), '!');
}

struct Line {
  int language;
  ComputerLine line;
  const char* expected;
};

const Line kLines[] = {
    {1033, {ComputerLineKind::kLink, "Windows 8.1", false, "", 0},
     "This computer: Windows 8.1, 32-bit. Its driver: 32bit WindowsXP/Windows2000."},
    {1033, {ComputerLineKind::kProcessor, "Windows 11", true, "ARM64", 0},
     "This computer: Windows 11, ARM64 processor. None of the drivers fits it: x86 and x64 "
     "drivers do not load on this processor."},
    {1033, {ComputerLineKind::kProcessor, "Windows 10", true, "", 0},
     "This computer: Windows 10, an unknown processor. None of the drivers fits it: x86 and x64 "
     "drivers do not load on this processor."},
    {1033, {ComputerLineKind::kVersion, "", false, "", 0},
     "This computer: an unknown Windows, 32-bit. None of the drivers was made for this Windows."},
    {1033, {ComputerLineKind::kVersion, "Windows 4.0", false, "", 0},
     "This computer: Windows 4.0, 32-bit. None of the drivers was made for this Windows."},
    // 本机：Windows 7，64位。适用的驱动：64位WindowsVista。
    {2052, {ComputerLineKind::kLink, "Windows 7", true, "", 3},
     "\xB1\xBE\xBB\xFA\xA3\xBAWindows 7\xA3\xAC" "64\xCE\xBB\xA1\xA3\xCA\xCA\xD3\xC3\xB5\xC4\xC7\xFD"
     "\xB6\xAF\xA3\xBA" "64\xCE\xBBWindowsVista\xA1\xA3"},
    {1033, {ComputerLineKind::kLink, "Windows 7", true, "", 4},
     "This computer: Windows 7, 64-bit. Its driver: ."},
    {1033, {ComputerLineKind::kLink, "Windows 7", true, "", -1},
     "This computer: Windows 7, 64-bit. Its driver: ."},
    // 本机：Windows XP，32位。驱动目录中没有此摄像头适用于本机Windows的驱动。
    {2052, {ComputerLineKind::kNoAddress, "Windows XP", false, "ARM", 1},
     "\xB1\xBE\xBB\xFA\xA3\xBAWindows XP\xA3\xAC" "32\xCE\xBB\xA1\xA3\xC7\xFD\xB6\xAF\xC4\xBF\xC2\xBC\xD6\xD0"
     "\xC3\xBB\xD3\xD0\xB4\xCB\xC9\xE3\xCF\xF1\xCD\xB7\xCA\xCA\xD3\xC3\xD3\xDA\xB1\xBE\xBB\xFAWindows\xB5\xC4"
     "\xC7\xFD\xB6\xAF\xA1\xA3"},
    // 本机：未知版本的Windows，未知处理器。x86和x64驱动都不能在此处理器上加载，没有适用的驱动。
    {2052, {ComputerLineKind::kProcessor, "", true, "", 0},
     "\xB1\xBE\xBB\xFA\xA3\xBA\xCE\xB4\xD6\xAA\xB0\xE6\xB1\xBE\xB5\xC4Windows\xA3\xAC\xCE\xB4\xD6\xAA"
     "\xB4\xA6\xC0\xED\xC6\xF7\xA1\xA3x86\xBA\xCDx64\xC7\xFD\xB6\xAF\xB6\xBC\xB2\xBB\xC4\xDC\xD4\xDA\xB4\xCB"
     "\xB4\xA6\xC0\xED\xC6\xF7\xC9\xCF\xBC\xD3\xD4\xD8\xA3\xAC\xC3\xBB\xD3\xD0\xCA\xCA\xD3\xC3\xB5\xC4\xC7\xFD"
     "\xB6\xAF\xA1\xA3"},
};

TEST(Messages, ThisComputerLineInEachFormAndLanguage) {
  for (const Line& row : kLines) EXPECT_EQ(ThisComputerLine(row.language, row.line), row.expected);
  EXPECT_STREQ(ThisComputersLinkDescription(1033), "The driver for this computer");
  // 适用于本机的驱动
  EXPECT_STREQ(ThisComputersLinkDescription(2052),
               "\xCA\xCA\xD3\xC3\xD3\xDA\xB1\xBE\xBB\xFA\xB5\xC4\xC7\xFD\xB6\xAF");
}

}  // namespace
