#pragma once
// What the catalogue load needs from the main dialog: the status text, the owner of its
// message box, the language id the dialog keeps, and a way to wait for the download.
#include <functional>

class CatalogueOwner {
 public:
  virtual ~CatalogueOwner() = default;
  // Runs the download and returns when it has ended. Here: on the caller's thread.
  virtual void RunDownload(const std::function<void()>& download) { download(); }
  virtual void HideStatusText() = 0;
  // A modal box with one OK button and no icon, owned by the dialog.
  virtual void ShowFailureMessage(const char* text, const char* caption) = 0;
  virtual int LanguageId() const = 0;
};
