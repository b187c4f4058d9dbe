// Identifiers of the executable's resources, shared by the resource scripts
// and the code that loads them. Plain #defines: the resource compiler reads
// this file too.
#pragma once

#define IDD_INSTALL 101
#define IDD_LICENSE 111
#define IDD_CONTAINER_INSTALL 122
#define IDD_UNINSTALL 123
#define IDD_NON_ELEVATE_FOCUS 125
#define IDD_REBOOTING 126

#define IDC_PROGRESS 1001
#define IDC_INSTALL 1002
#define IDC_CANCEL 1003
#define IDC_INSTALL_PATH 1004
#define IDC_CHOOSE 1005
#define IDC_LICENSE_LINK 1007
#define IDC_LICENSE_TEXT 1008
#define IDC_SCOPE_USER 1009
#define IDC_SCOPE_MACHINE 1010
#define IDC_REBOOT_NOW 1016
#define IDC_CANCEL_REBOOT 1017

// The built-in translations (RT_RCDATA), beside the package's 24356.
#define IDR_LANGUAGES 200
// The dialogs' bitmaps and icons, packed (RT_RCDATA); their ids follow.
#define IDR_PICTURES 201

// Bitmaps by display scale: 100, 125, 150, 200 and 300 %.
#define IDB_CLOSE_100 102
#define IDB_CLOSE_125 103
#define IDB_CLOSE_150 104
#define IDB_CLOSE_200 126
#define IDB_CLOSE_300 127
#define IDB_EMBLEM_100 105
#define IDB_EMBLEM_125 106
#define IDB_EMBLEM_150 107
#define IDB_EMBLEM_200 128
#define IDB_EMBLEM_300 129
#define IDB_EMBLEM_MASK_100 108
#define IDB_EMBLEM_MASK_125 109
#define IDB_EMBLEM_MASK_150 110
#define IDB_EMBLEM_MASK_200 130
#define IDB_EMBLEM_MASK_300 131

// The lowest icon id: the shell shows it as the program's icon.
#define IDI_APPLICATION_ICON 100
#define IDI_CHECKED 112
#define IDI_CHECKED_DISABLED 113
#define IDI_UNCHECKED 114
#define IDI_UNCHECKED_DISABLED 115
#define IDI_PROGRAM 116
#define IDI_RESTART 117
#define IDI_SHORTCUT 118
#define IDI_SUCCESS 119
#define IDI_FAILURE 120
#define IDI_UNINSTALL 124
// The record types of the drawings among the dialogs' pictures: an icon's,
// and a strip's (the close button's states). The others are bitmaps, of
// type RT_BITMAP.
#define DRAWING_RECORD 100
#define STRIP_RECORD 101
