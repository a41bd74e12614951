#include "common/messages.h"

#include "common/language.h"

namespace {

struct Texts {
  const char* failureCaption;
  const char* failureText;
  const char* notFound;
  const char* connecting;
};

// GBK bytes, whatever the compiler's own character set. The not-found message ends with the
// ASCII exclamation mark, the failure text with the full-width one.
constexpr Texts kEnglish{
    "Error",
    "Can not get internet driver information,please make sure internet connection is ok!",
    "There is no Quenlix's Device!",
    "Connecting to the driver server...",
};
constexpr Texts kChinese{
    "\xB4\xED\xCE\xF3",
    "\xB1\xBE\xB9\xA4\xBE\xDF\xD0\xE8\xD2\xAA\xC1\xAA\xCD\xF8\xBB\xF1\xC8\xA1\xC7\xFD\xB6\xAF"
    "\xD0\xC5\xCF\xA2\xA3\xAC\xC7\xEB\xC8\xB7\xC8\xCF\xCD\xF8\xC2\xE7\xC1\xAC\xBD\xD3\xCA\xC7"
    "\xB7\xF1\xD5\xFD\xB3\xA3\xA3\xA1",
    "\xC3\xBB\xD3\xD0\xB7\xA2\xCF\xD6Quenlix\xB5\xC4\xC9\xE8\xB1\xB8!",
    "\xD5\xFD\xD4\xDA\xC1\xAC\xBD\xD3\xC7\xFD\xB6\xAF\xB7\xFE\xCE\xF1\xC6\xF7...",
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
