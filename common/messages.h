#pragma once
// The texts the code chooses itself (not the resources'), in the language the id selects.
// Chinese texts are GBK bytes.
#include <string>

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

// What the line under the links says of this computer after a match.
enum class ComputerLineKind {  // in this order
  kLink,       // the link of `slot` is this computer's
  kNoAddress,  // this computer's slot holds no address in the links shown
  kProcessor,  // no driver loads on this processor
  kVersion,    // no driver was made for this Windows (or it could not be read)
};

struct ComputerLine {
  ComputerLineKind kind;
  const char* windows;    // empty: the version could not be read
  bool is64Bit;
  const char* processor;  // with kProcessor; empty: of no known kind
  int slot;               // with kLink: 0-3, in the order a match configures the links
};

std::string ThisComputerLine(int languageId, const ComputerLine& line);
// A screen reader's description of the link that is this computer's.
const char* ThisComputersLinkDescription(int languageId);
