#include "framework/data_exchange.h"

void DDX_Control(CDataExchange* exchange, int id, CWnd& control) {
  if (control.m_hWnd != nullptr) return;
  if (!control.SubclassDlgItem(id, exchange->m_pDlgWnd)) exchange->m_failed = true;
}
