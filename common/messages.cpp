#include "common/messages.h"

#include <cstdio>

#include "common/language.h"

namespace {

struct Texts {
  const char* failureCaption;
  const char* failureText;
  const char* notFound;
  const char* connecting;
  // This computer's line: each form takes the Windows, then its bits or processor, then (the
  // first) the link's name.
  const char* computerLink;
  const char* computerNoAddress;
  const char* computerProcessor;
  const char* computerVersion;
  const char* unknownWindows;
  const char* unknownProcessor;
  const char* bits32;
  const char* bits64;
  const char* slots[4];
  const char* linkDescription;
};

// GBK bytes, whatever the compiler's own character set. The not-found message ends with the
// ASCII exclamation mark, the failure text with the full-width one.
constexpr Texts kEnglish{
    "Error",
    "Can not get internet driver information,please make sure internet connection is ok!",
    "There is no Quenlix's Device!",
    "Connecting to the driver server...",
    "This computer: %s, %s. Its driver: %s.",
    "This computer: %s, %s. The catalogue holds no driver for this Windows for this camera.",
    "This computer: %s, %s processor. None of the drivers fits it: x86 and x64 drivers do not "
    "load on this processor.",
    "This computer: %s, %s. None of the drivers was made for this Windows.",
    "an unknown Windows",
    "an unknown",
    "32-bit",
    "64-bit",
    {"32bit WindowsXP/Windows2000", "64bit WindowsXP", "32bit Windows Vista", "64bit Windows Vista"},
    "The driver for this computer",
};
constexpr Texts kChinese{
    "\xB4\xED\xCE\xF3",
    "\xB1\xBE\xB9\xA4\xBE\xDF\xD0\xE8\xD2\xAA\xC1\xAA\xCD\xF8\xBB\xF1\xC8\xA1\xC7\xFD\xB6\xAF"
    "\xD0\xC5\xCF\xA2\xA3\xAC\xC7\xEB\xC8\xB7\xC8\xCF\xCD\xF8\xC2\xE7\xC1\xAC\xBD\xD3\xCA\xC7"
    "\xB7\xF1\xD5\xFD\xB3\xA3\xA3\xA1",
    "\xC3\xBB\xD3\xD0\xB7\xA2\xCF\xD6Quenlix\xB5\xC4\xC9\xE8\xB1\xB8!",
    "\xD5\xFD\xD4\xDA\xC1\xAC\xBD\xD3\xC7\xFD\xB6\xAF\xB7\xFE\xCE\xF1\xC6\xF7...",
    "\xB1\xBE\xBB\xFA\xA3\xBA%s\xA3\xAC%s\xA1\xA3\xCA\xCA\xD3\xC3\xB5\xC4\xC7\xFD\xB6\xAF\xA3\xBA%s\xA1\xA3",
    "\xB1\xBE\xBB\xFA\xA3\xBA%s\xA3\xAC%s\xA1\xA3\xC7\xFD\xB6\xAF\xC4\xBF\xC2\xBC\xD6\xD0\xC3\xBB\xD3\xD0\xB4\xCB"
    "\xC9\xE3\xCF\xF1\xCD\xB7\xCA\xCA\xD3\xC3\xD3\xDA\xB1\xBE\xBB\xFAWindows\xB5\xC4\xC7\xFD\xB6\xAF\xA1\xA3",
    "\xB1\xBE\xBB\xFA\xA3\xBA%s\xA3\xAC%s\xB4\xA6\xC0\xED\xC6\xF7\xA1\xA3x86\xBA\xCDx64\xC7\xFD\xB6\xAF\xB6\xBC"
    "\xB2\xBB\xC4\xDC\xD4\xDA\xB4\xCB\xB4\xA6\xC0\xED\xC6\xF7\xC9\xCF\xBC\xD3\xD4\xD8\xA3\xAC\xC3\xBB\xD3\xD0"
    "\xCA\xCA\xD3\xC3\xB5\xC4\xC7\xFD\xB6\xAF\xA1\xA3",
    "\xB1\xBE\xBB\xFA\xA3\xBA%s\xA3\xAC%s\xA1\xA3\xC3\xBB\xD3\xD0\xCE\xAA\xB4\xCBWindows\xD6\xC6\xD7\xF7\xB5\xC4"
    "\xC7\xFD\xB6\xAF\xA1\xA3",
    "\xCE\xB4\xD6\xAA\xB0\xE6\xB1\xBE\xB5\xC4Windows",
    "\xCE\xB4\xD6\xAA",
    "32\xCE\xBB",
    "64\xCE\xBB",
    {"32\xCE\xBBWindowsXP/Win2000", "64\xCE\xBBWindowsXP", "32\xCE\xBBWindowsVista",
     "64\xCE\xBBWindowsVista"},
    "\xCA\xCA\xD3\xC3\xD3\xDA\xB1\xBE\xBB\xFA\xB5\xC4\xC7\xFD\xB6\xAF",
};

const Texts& TextsFor(int languageId) {
  return languageId == kChineseLanguageId ? kChinese : kEnglish;
}

}  // namespace

FailureMessage CatalogueFailureMessage(int languageId) {
  const Texts& texts = TextsFor(languageId);
  return {texts.failureText, texts.failureCaption};
}

const char* NotFoundMessage(int languageId) { return TextsFor(languageId).notFound; }

const char* ConnectingMessage(int languageId) { return TextsFor(languageId).connecting; }

std::string ThisComputerLine(int languageId, const ComputerLine& line) {
  const Texts& texts = TextsFor(languageId);
  const char* const formats[] = {texts.computerLink, texts.computerNoAddress,
                                 texts.computerProcessor, texts.computerVersion};
  const char* windows = line.windows[0] != '\0' ? line.windows : texts.unknownWindows;
  const char* second = line.is64Bit ? texts.bits64 : texts.bits32;
  if (line.kind == ComputerLineKind::kProcessor) {
    second = line.processor[0] != '\0' ? line.processor : texts.unknownProcessor;
  }
  // Only the link's form prints the third argument.
  const bool named = line.slot >= 0 && line.slot < 4;
  char text[512];  // the longest line takes under 300 bytes
  std::snprintf(text, sizeof text, formats[static_cast<int>(line.kind)], windows, second,
                named ? texts.slots[line.slot] : "");
  return text;
}

const char* ThisComputersLinkDescription(int languageId) {
  return TextsFor(languageId).linkDescription;
}
