#pragma once
// The catalogue-failure message, in the language the dialog keeps.

constexpr int kChinesePrcLanguageId = 2052;

struct FailureMessage {
  const char* text;
  const char* caption;
};

FailureMessage CatalogueFailureMessage(int languageId);
