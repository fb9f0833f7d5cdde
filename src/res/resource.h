// Resource ids of Quorvex Client: dialog templates, menu, icons, bitmap and
// the control ids of each dialog, named for the dialog they belong to.
// Shared by quorvex.rc and the C++ code, so it holds only #defines.
#pragma once

// Dialog templates.
#define IDD_MONITOR_PANEL 101
#define IDD_TEST_ITEM 111
#define IDD_SETTINGS 123
#define IDD_SETTINGS_GENERAL 124
#define IDD_CONNECT 125
#define IDD_SETTINGS_EMAIL 130
#define IDD_ABOUT 132

// Menu of the main window.
#define IDR_MAIN_MENU 114
#define IDM_NEW_ITEM 40001
#define IDM_EDIT_ITEM 40002
#define IDM_DELETE_ITEM 40003
#define IDM_START_TEST 40004
#define IDM_STOP_TEST 40005
#define IDM_SETTINGS 40006
#define IDM_QUIT 40007
#define IDM_ABOUT 40008
#define IDM_USER_MANUAL 40010

// Icons (each at 16, 20, 24, 32, 40, 48 and 64 pixels, so that small and
// large icons are drawn, not stretched, from 100 % to 200 % display scale)
// and the About box logo.
#define IDI_EDIT_ITEM 117
#define IDI_DELETE_ITEM 118
#define IDI_START_TEST 119
#define IDI_STOP_TEST 120
#define IDI_SETTINGS 122
#define IDI_CONNECT 126
#define IDI_APP 129
#define IDB_LOGO 133
#define IDI_TRAY_DISCONNECTED 140  // notification area: not connected (grey)
#define IDI_TRAY_ALL_UP 141        // connected, no started item down (green)
#define IDI_TRAY_SOME_DOWN 142     // a started item down (red)

// The notification-area icon's menu.
#define IDR_TRAY_MENU 150
#define IDM_TRAY_OPEN 40101
#define IDM_TRAY_SHOW_ALERTS 40102
#define IDM_TRAY_QUIT 40103
#define IDM_TRAY_SOUND_ON_DOWN 40104

// The right-click menu of the panel's lists.
#define IDR_LIST_MENU 151
#define IDM_LIST_COPY 40201
#define IDM_LIST_SELECT_ALL 40202
#define IDM_LIST_EXPORT 40203

// The sound of a host going down (a WAVE resource, for PlaySound).
#define IDW_DOWN_SOUND 160

// The classes of the program's two top-level windows, by which other
// programs (the drivers of the tests and benchmarks) find them: the main
// window's is a single space; the notification icon's window is hidden.
#define QX_MAIN_WINDOW_CLASS " "
#define QX_TRAY_WINDOW_CLASS "QuorvexTrayIcon"

// Monitor panel (101).
#define IDC_PANEL_ITEMS 1026
#define IDC_PANEL_EVENTS 1028
#define IDC_PANEL_NEW_ITEM 1029
#define IDC_PANEL_EDIT_ITEM 1030
#define IDC_PANEL_DELETE_ITEM 1031
#define IDC_PANEL_START_TEST 1032
#define IDC_PANEL_STOP_TEST 1033
#define IDC_PANEL_SETTINGS 1034
#define IDC_PANEL_CONNECT 1036
#define IDC_PANEL_STATUS_LOG 1037
#define IDC_PANEL_DEPTH 1050
#define IDC_PANEL_RELOAD_EVENTS 1051

// Test item dialog (111); Save is IDOK (1), Cancel IDCANCEL (2).
#define IDC_ITEM_PORT 1007
#define IDC_ITEM_INTERVAL 1009
#define IDC_ITEM_TIMEOUT 1010
#define IDC_ITEM_RETRIES 1011
#define IDC_ITEM_NAME 1030
#define IDC_ITEM_HOST 1031
#define IDC_ITEM_TEST_TYPE 1032
#define IDC_ITEM_HEADING 1038
#define IDC_ITEM_MAIL_DOWN 1052
#define IDC_ITEM_MAIL_UP 1053
#define IDC_ITEM_NOTE 1054
#define IDC_ITEM_MAIL_GROUP 1055

// Server settings dialog (123) and its pages (124 "General", 130 "Email");
// Save is IDOK (1), Cancel IDCANCEL (2).
#define IDC_SETTINGS_TREE 1043
#define IDC_SETTINGS_TITLE 1044
#define IDC_GENERAL_GUI_PORT 1007
#define IDC_EMAIL_SMTP_PORT 1007
#define IDC_EMAIL_USER 1019
#define IDC_EMAIL_PASSWORD 1020
#define IDC_EMAIL_ADMIN 1046
#define IDC_EMAIL_SOURCE 1047
#define IDC_EMAIL_SMTP_SERVER 1048
#define IDC_EMAIL_AUTH 1056

// Connect dialog (125); Cancel is IDCANCEL (2), OK is not IDOK.
#define IDC_CONNECT_PORT 1007
#define IDC_CONNECT_OK 1047
#define IDC_CONNECT_ADDRESS 1048
#define IDC_CONNECT_PORT_LABEL 1049

// About box (132); OK is IDOK (1).
#define IDC_ABOUT_LOGO 1062
#define IDC_ABOUT_WEB 1063
#define IDC_ABOUT_MAIL 1064
#define IDC_ABOUT_VERSION 1065
#define IDC_ABOUT_NOTICE 1066

// Texts that the code and the resources share. The version text
// (QX_VERSION_TEXT) is configured from the build's version.
#include "version.h"

// The About box's links (shown text and target) and notice line.
#define QX_WEB_TEXT "www.quorvex.example"
#define QX_WEB_URL "https://www.quorvex.example/"
#define QX_MAIL_TEXT "support@quorvex.example"
#define QX_MAIL_URL "mailto:support@quorvex.example"
#define QX_NOTICE_TEXT "Copyright (C) 2026 Quorvex. All rights reserved."
