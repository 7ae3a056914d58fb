// Resource ids of the installer: its dialogs, their controls and the icon.
// Shared by the resource script and the code.
#define IDD_SETUP_DIALOG 100
#define IDD_REALLY_QUIT 101
#define IDR_MAINFRAME 128
#define IDD_UPDATE_ONLY 129

// The main installer dialog.
#define IDC_LICENCE_EDIT 1000
#define IDC_DIRECTORY 1001
#define IDC_BROWSE 1002
#define IDC_ACCEPT 1003
#define IDC_DECLINE 1004
#define IDC_DIRECTORY_LABEL 1005
#define IDC_STATUS_LINE 1006
#define IDC_INSTALL_NOW 1007
#define IDC_TITLE_LINE 1008
#define IDC_VERSION_LABEL 1009
#define IDC_VERSION_LIST 1010
#define IDC_SIZE_GRIP 0xEA20

// The overwrite-or-update question.
#define IDC_OVERWRITE 1010
#define IDC_UPDATE 1011
