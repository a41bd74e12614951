#include "app/about_dlg.h"

void CAboutDlg::DoDataExchange(CDataExchange* exchange) { CDialog::DoDataExchange(exchange); }
