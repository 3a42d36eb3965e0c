#pragma once
// Resource numbers of ruvo.exe, shared by the .rc files and the code.

#define IDD_PROGRESSINDICATOR_NAME "PROGRESSINDICATOR"

// Icon groups
#define IDI_WORKING 108
#define IDI_RETRY 110
#define IDI_FAILURE 111

// Controls of the progress dialog
#define IDC_SECONDARY_TEXT 10001
#define IDC_WORKING_ICON 1002
#define IDC_ERROR_ICON 1003
#define IDC_MAIN_TEXT 1005
#define IDC_RETRY_ICON 1006
#define IDC_ACTIVITY_TEXT 1007
#define IDC_BLANK_LABEL 1008
#define IDC_PERCENT 1009
#define IDC_CHOOSE 1010
#define IDC_PROGRESS 1011
#define IDC_FOOTER 1012

// Strings
#define IDS_GET_ANOTHER_COPY 1
#define IDS_NO_FREE_SPACE 2
#define IDS_SELECT_TEMPORARY 3
#define IDS_SELECT_ANOTHER 4
#define IDS_PREPARING 5
// The dialog's own texts in each language: its templates carry them in English only.
#define IDS_CANCEL 6
#define IDS_EXTRACTING 7
#define IDS_CHOOSE 8
#define IDS_CANNOT_EXTRACT 9
#define IDS_NO_EXE_NAME_BUFFER 12
#define IDS_CANNOT_CHECK_SPACE 13
#define IDS_NOT_ENOUGH_ROOM 14
#define IDS_OUT_OF_SPACE 17
#define IDS_CANNOT_EXECUTE 18
#define IDS_CHOOSER_TITLE 20
#define IDS_CANNOT_WRITE_SEA_LOC 21
