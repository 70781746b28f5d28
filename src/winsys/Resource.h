#pragma once

// Resource, control and command ids of the window, numbered as the dialog
// templates, menus and string table number them.

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

constexpr int IDM_ABOUTBOX = 0x0010;
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDD_CHECKER_DIALOG = 102;
constexpr int IDP_SOCKETS_INIT_FAILED = 103;
constexpr int IDR_MAINFRAME = 128;
constexpr int IDB_LOGO_LEFT = 134;
constexpr int IDB_LOGO_RIGHT = 135;
constexpr int IDR_MAINMENU = 136;
constexpr int IDB_ABOUT = 141;

constexpr int IDC_GO = 1000;
constexpr int IDC_LINK_LIST = 1001;
constexpr int IDC_RECURSIVE = 1002;
constexpr int IDC_EXPLORE_CGI = 1003;
constexpr int IDC_SHOW_ONLY_BAD = 1004;
constexpr int IDC_LOGO_LEFT = 1005;
constexpr int IDC_LOGO_RIGHT = 1006;
constexpr int IDC_URL = 1007;
constexpr int IDC_STOP = 1008;
constexpr int IDC_LINK_COUNT = 1009;
constexpr int IDC_LINK_COUNT_LABEL = 1010;
constexpr int IDC_URL_LABEL = 1011;
constexpr int IDC_HEADER_REFERRER = 1012;
constexpr int IDC_HEADER_LINK = 1013;
constexpr int IDC_HEADER_STATUS = 1014;

constexpr int ID_COPY_REFERRER = 32772;
constexpr int ID_FILE_EXPORT = 32773;
constexpr int ID_HELP_ABOUT = 32774;
constexpr int ID_FILE_EXIT = 32776;
constexpr int ID_OPTIONS_MODERN = 32777;
constexpr int ID_OPEN_LINK = 32778;
constexpr int ID_OPEN_REFERRER = 32779;
constexpr int ID_OPTIONS_SETTINGS = 32780;
constexpr int ID_OPTIONS_LOAD_SETTINGS = 32781;
constexpr int ID_FILE_CHECK_FOLDER = 32782;
constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_HELP = 57670;
