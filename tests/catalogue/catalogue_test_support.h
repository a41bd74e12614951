#pragma once
// What the catalogue tests share: a private temporary folder behind the path seam, a capture
// of standard error at the descriptor (so the runtime's own line-end translation is seen), and
// a fake dialog.
#include <string>
#include <vector>

#include "catalogue/catalogue_owner.h"
#include "files.h"

// A fresh folder that the catalogue path points into while the object lives.
class TempFolderScope {
 public:
  TempFolderScope();
  ~TempFolderScope();
  TempFolderScope(const TempFolderScope&) = delete;
  TempFolderScope& operator=(const TempFolderScope&) = delete;
  const std::string& folder() const { return folder_; }  // ends with a separator
  std::string CataloguePath() const { return folder_ + "PID.ini"; }

 private:
  std::string folder_;
};

// Standard error's bytes from Start to Stop, exactly as the runtime wrote them.
class StderrCapture {
 public:
  StderrCapture();
  ~StderrCapture();
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;
  std::string Stop();

 private:
  std::string file_;
  int saved_ = -1;
};

// The diagnostic text as it reaches a file: the runtime's text mode turns "\n" into CR LF
// on Windows.
std::string AsWritten(const std::string& text);

class FakeOwner : public CatalogueOwner {
 public:
  explicit FakeOwner(int languageId = 1033) : languageId_(languageId) {}
  void HideStatusText() override { events.push_back("hide"); }
  void ShowFailureMessage(const char* text, const char* caption) override {
    events.push_back(std::string("box:") + caption + "|" + text);
  }
  int LanguageId() const override { return languageId_; }
  std::vector<std::string> events;

 private:
  int languageId_;
};
