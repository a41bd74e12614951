#include "app/detector_dlg.h"
#include "app/device_match/device_match.h"
#include "catalogue/catalogue_table.h"
#include "common/messages.h"
#include "framework/win_app.h"
#include "usb/walk.h"

// "Check Device": a fresh walk of the USB topology, then every catalogue entry that a
// connected device carries shows its download links. Nothing shown is ever taken back.
void CDetectorDlg::CheckDevices() {
  DeviceList& devices = TheDeviceList();
  devices.Empty();
  ScanHostControllers(m_platform.hubDriver, devices);

  MatchCatalogue(TheCatalogue(), devices, [this](const CatalogueEntry& entry) {
    HideStatusText();
    ConfigureLink(m_linkXp32, entry.urlXp32);
    ConfigureLink(m_linkXp64, entry.urlXp64);
    ConfigureLink(m_linkVista32, entry.urlVista32);
    ConfigureLink(m_linkVista64, entry.urlVista64);
    ++m_foundCount;
  });

  if (m_foundCount == 0) {
    ::ShowWindow(GetDlgItem(IDC_STATUS_TEXT), SW_SHOWNORMAL);
    SetDlgItemText(IDC_STATUS_TEXT, NotFoundMessage(static_cast<int>(m_langId)));
  }
}

// An empty address leaves the label as it was: hidden, or showing an earlier match's link.
void CDetectorDlg::ConfigureLink(CLinkLabel& link, const char* url) {
  if (url[0] == '\0') return;
  link.ShowWindow(SW_SHOWNORMAL);
  link.SetTarget(url);
  link.SetTextColors(link.LinkColor(), link.LinkColor(), static_cast<COLORREF>(-1));
  link.SetUnderlined(TRUE);
  link.SetHoverCursor(::LoadCursorA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDC_LINK_CURSOR)));
}
