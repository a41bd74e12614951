#include "app/detector_dlg.h"

// "Check Device": the device check is not wired in yet, so a press does nothing.
void CDetectorDlg::CheckDevices() {}
