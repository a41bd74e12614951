#pragma once
// What the catalogue load needs from the main dialog: the status text, the owner of its
// message box and the language id the dialog keeps.

class CatalogueOwner {
 public:
  virtual ~CatalogueOwner() = default;
  virtual void HideStatusText() = 0;
  // A modal box with one OK button and no icon, owned by the dialog.
  virtual void ShowFailureMessage(const char* text, const char* caption) = 0;
  virtual int LanguageId() const = 0;
};
