#pragma once
// Resource identifiers, shared by the resource scripts and the program. Resource scripts only
// understand preprocessor names, hence #define here.
#define IDD_ABOUT 100
#define IDS_ABOUT_ITEM 101
#define IDD_DETECTOR 102
#define IDI_APP 128
#define IDC_LINK_CURSOR 129
#define IDC_CHECK_DEVICE 1000
#define IDC_VIDPID_EDIT 1001
#define IDC_LINK_XP64 1006
#define IDC_LINK_XP32 1007
#define IDC_LINK_VISTA32 1008
#define IDC_LINK_VISTA64 1009
#define IDC_STATUS_TEXT 1010
#define IDC_THIS_COMPUTER 1011
#define IDC_FIT_MARK 1012
#define IDM_ABOUT 0x0010
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
