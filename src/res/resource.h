// Resource and control identifiers of the program.  Shared by the resource
// script, the program and the tests that drive its window.
#pragma once

#define IDR_MAINFRAME            128
#define IDD_PRINTERINSTALL_DIALOG 102

#define IDB_DRIVER_PLAIN         130
#define IDB_DRIVER_GOLD          131
#define IDB_FIRMWARE_PLAIN       132
#define IDB_FIRMWARE_GOLD        133
#define IDB_EXIT_PLAIN           134
#define IDB_EXIT_GOLD            135
#define IDB_MANUAL_PLAIN         136
#define IDB_MANUAL_GOLD          137
#define IDB_WARNING              140
#define IDB_BACKGROUND           143
#define IDB_TESSAN_PLAIN         146
#define IDB_TESSAN_GOLD          147
#define IDB_QUORIN_PLAIN         148
#define IDB_QUORIN_GOLD          149

#define IDC_BTN_DRIVER           1000
#define IDC_BTN_MANUAL           1001
#define IDC_BTN_FIRMWARE         1002
#define IDC_BTN_EXIT             1003
#define IDC_CBO_PORT             1004
#define IDC_CBO_SERIES           1005
#define IDC_LST_MODEL            1006
#define IDC_RAD_DEFAULT_YES      1007
#define IDC_RAD_DEFAULT_NO       1008
#define IDC_RAD_TESTPAGE_YES     1009
#define IDC_RAD_TESTPAGE_NO      1010
#define IDC_BTN_QUORIN           1011
#define IDC_BTN_CANCEL           1013
#define IDC_BTN_NEXT             1014
#define IDC_LBL_PORT             1015
#define IDC_LBL_MODEL            1016
#define IDC_LBL_DEFAULT          1017
#define IDC_LBL_TESTPAGE         1018
#define IDC_BTN_TESSAN           1019
#define IDC_LBL_VERSIONFILE      1020
#define IDC_EDT_VERSIONFILE      1021
#define IDC_BTN_BROWSE           1022
#define IDC_STC_FW_WARNING1      1023
#define IDC_PROGRESS             1024
#define IDC_LBL_PROGRESS         1025
#define IDC_LBL_STATUS           1027
#define IDC_STC_INSTALL_STATUS   1028
#define IDC_STC_FW_WARNING2      1029
#define IDC_STC_FW_WARNING3      1030
#define IDC_STC_FW_WARNING4      1031
#define IDC_ICO_WARNING          1032
#define IDC_STC_FW_ADVICE        1033
#define IDC_STC_TITLE            1034
#define IDC_STC_MANUAL_HINT      1035
#define IDC_STC_MANUAL_NOTE      1036
#define IDC_STC_USB_PORT         1037
