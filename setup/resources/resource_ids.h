#pragma once
// Resource numbers of quillsetup.exe, shared by the .rc files and the code.

// The program's icon: the first icon group, which the packer replaces with the application's.
#define IDI_SETUP 1

#define IDD_PROGRESS 100
#define IDC_STATUS_TEXT 1001
#define IDC_PROGRESS_BAR 1002

// Strings: %1 is the application's name, %2 a detail.
#define IDS_SETUP_TITLE 1
#define IDS_INSTALLING 2
#define IDS_UNINSTALL_TITLE 3
#define IDS_REMOVING 4
#define IDS_CONFIRM_UNINSTALL 5
#define IDS_APP_RUNNING 6
#define IDS_WAITING 7
#define IDS_NEWER_INSTALLED 8
#define IDS_INSTALL_FAILED 9
#define IDS_UNINSTALL_FAILED 10
