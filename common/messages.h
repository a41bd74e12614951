#pragma once
// The texts the code chooses itself (not the resources'), in the language the id selects.
// Chinese texts are GBK bytes.

struct FailureMessage {
  const char* text;
  const char* caption;
};

// The catalogue-failure message box.
FailureMessage CatalogueFailureMessage(int languageId);
// The status text of a check that has never found anything.
const char* NotFoundMessage(int languageId);
// The text of the window shown while a slow catalogue download runs.
const char* ConnectingMessage(int languageId);
