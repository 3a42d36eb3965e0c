#pragma once
// Identifiers of the launcher's resources (shared by the .rc files and the code).
#define IDI_QUILLRUN 1
#define IDD_DOWNLOAD 210
#define IDC_DOWNLOAD_PROGRESS 1001
