#pragma once
// What a screen reader learns of a link label: the system's own object for the static control
// (its name is the label's text), presented as a link whose value is the address and whose
// default action opens it.
#include <windows.h>

// Posted to the label when a screen reader asks for the default action: the label opens its
// target as a click does, after the request has returned.
constexpr UINT kLinkOpenRequest = WM_APP;

// The default action's name, as a screen reader announces it.
constexpr const wchar_t kLinkDefaultAction[] = L"open";

// The answer to WM_GETOBJECT for the label's client area, or 0 (then the system answers with
// its standard object) when the object cannot be made or handed over. The label's thread must
// be in a COM apartment for another process to receive it.
LRESULT AnswerLinkObjectRequest(HWND label, WPARAM wParam);
