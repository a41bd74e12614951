#pragma once
// The test dialog of the framework tests (gui_framework_dialog.rc).
#define IDD_GUI_PROBE 900
#define IDC_GUI_LABEL 901
#define IDC_GUI_BUTTON 902
#define IDC_GUI_MISSING 999
