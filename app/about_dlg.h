#pragma once
// The about box: template only; OK and Esc close it through the framework's defaults.
#include "framework/dialog.h"
#include "res/resource.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg() : CDialog(IDD_ABOUT) {}

 protected:
  void DoDataExchange(CDataExchange* exchange) override;
};
