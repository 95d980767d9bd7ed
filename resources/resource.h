// Resource identifiers: dialogs, controls, menus and strings. The names are
// also the keys of the language files.
#pragma once

// Dialog templates
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_MAIN_DIALOG = 102;
constexpr int IDD_PROGRAM_BMP_CAPTION = 102; // the main dialog's caption in language files

// Controls of the main dialog
constexpr int IDC_BUTTON_CONVERT = 1000;
constexpr int IDC_BUTTON_OPEN_PHOTO = 1001;
constexpr int IDC_STATIC_PREVIEW = 1002;
constexpr int IDC_EDIT_OUTPUT_FILE = 1003;
constexpr int IDC_BUTTON_OUTPUT_FILE_BROWSE = 1004;
constexpr int IDC_EDIT_OUTPUT_WIDTH = 1005;
constexpr int IDC_EDIT_OUTPUT_HEIGHT = 1006;
constexpr int IDC_STATIC_OUTPUT_WIDTH = 1007;
constexpr int IDC_STATIC_OUTPUT_HEIGHT = 1008;
constexpr int IDC_STATIC_PHOTO_INFO = 1009;
constexpr int IDC_STATIC_KEEP_RATIO_CALCULATOR = 1010;
constexpr int IDC_BUTTON_BASE_WIDTH = 1011;
constexpr int IDC_BUTTON_BASE_HEIGHT = 1012;
constexpr int IDC_STATIC_GROUP_ROTATE = 1017;
constexpr int IDC_RADIO_ROTATE_0 = 1018;
constexpr int IDC_RADIO_ROTATE_90 = 1019;
constexpr int IDC_RADIO_ROTATE_180 = 1020;
constexpr int IDC_RADIO_ROTATE_270 = 1021;
constexpr int IDC_STATIC_FLIP = 1022;
constexpr int IDC_RADIO_FLIP_NO = 1023;
constexpr int IDC_RADIO_FLIP_HORIZONTAL = 1024;
constexpr int IDC_RADIO_FLIP_VERTICAL = 1025;
constexpr int IDC_BUTTON_HOMEPAGE = 1033;
constexpr int IDC_BUTTON_HELP = 1034;
constexpr int IDC_BUTTON_EXIT = 1037;
constexpr int IDC_STATIC_OUTPUT_FILENAME = 1038;
constexpr int IDC_COMBO_FRAME_DIMENSION = 1039;
constexpr int IDC_STATIC_FRAME_RANGE = 1040;
constexpr int IDC_EDIT_FRAME_NUMBER = 1041;
constexpr int IDC_BUTTON_FONT = 1042;
constexpr int IDC_EDIT_TEXT_X = 1043;
constexpr int IDC_EDIT_TEXT_Y = 1044;
constexpr int IDC_EDIT_ADD_TEXT = 1045;
constexpr int IDC_STATIC_ADD_TEXT = 1046;
constexpr int IDC_STATIC_TEXT_POSITION = 1047;
constexpr int IDC_STATIC_FONT_NAME = 1048;
constexpr int IDC_STATIC_PIXEL_FORMAT = 1049;
constexpr int IDC_COMBO_PIXEL_FORMAT = 1050;
constexpr int IDC_STATIC_PIXEL_FORMAT_INFO = 1053;

// Menus
constexpr int IDR_MENU_LANGUAGE_POPUP = 129;
constexpr int IDM_ABOUTBOX = 16;
constexpr int IDM_ABOUT = 32771;
constexpr int IDM_POPUPMENU_FONT = 32772;
// The "Language" submenu's pseudo-identifier: menu 129 times 65536.
constexpr int IDM_SELECT_LANGUAGE = 8454144;
constexpr int IDM_LANGUAGE_FIRST = 45400;
constexpr int IDM_LANGUAGE_LAST = 46399;

// Strings
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDS_LANGUAGE = 102;
constexpr int IDS_MESSAGE_ERROR = 105;
constexpr int IDS_STRING108 = 108;
constexpr int IDS_MESSAGE_UNKNOWN_ERROR = 109;
constexpr int IDS_STRING111 = 111;
constexpr int IDS_STRING112 = 112;
constexpr int IDS_STRING113 = 113;
constexpr int IDS_STRING114 = 114;
constexpr int IDS_STRING115 = 115;
constexpr int IDS_STRING116 = 116;
constexpr int IDS_STRING117 = 117;
constexpr int IDS_STRING118 = 118;
constexpr int IDS_MESSAGE_WARNING = 119;
constexpr int IDS_STRING120 = 120;
constexpr int IDS_STRING121 = 121;
constexpr int IDS_STRING122 = 122;
constexpr int IDS_STRING123 = 123;
constexpr int IDS_STRING124 = 124;
constexpr int IDS_STRING125 = 125;
constexpr int IDS_STRING126 = 126;
constexpr int IDS_STRING127 = 127;
constexpr int IDS_STRING128 = 128;
constexpr int IDS_STRING129 = 129;
constexpr int IDS_STRING130 = 130;
constexpr int IDS_STRING131 = 131;
constexpr int IDS_STRING132 = 132;
constexpr int IDS_STRING134 = 134;
constexpr int IDS_STRING135 = 135;
constexpr int IDS_STRING136 = 136;
constexpr int IDS_STRING138 = 138;
constexpr int IDS_STRING139 = 139;
constexpr int IDS_STRING140 = 140;
constexpr int IDS_STRING141 = 141;
constexpr int IDS_STRING142 = 142;
constexpr int IDS_STRING143 = 143;
constexpr int IDS_STRING144 = 144;
constexpr int IDS_STRING145 = 145;
constexpr int IDS_STRING146 = 146;
constexpr int IDS_STRING147 = 147;
constexpr int IDS_STRING148 = 148;
// The result preview's tooltip.
constexpr int IDS_STRING160 = 160;
constexpr int IDS_STRING161 = 161;
constexpr int IDS_STRING162 = 162;
