#pragma once
// Resource IDs of NeraConfig: dialogs, menu, accelerators, icon, strings and the controls of
// the main dialog. Shared by NeraConfig.rc and the dialog code.

// Templates and other resources.
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_NERACONFIG_DIALOG 102
#define IDP_SOCKETS_INIT_FAILED 103
#define IDD_FLASHMODE_HELP 106
#define IDD_CONFIG_HELP 131
#define IDR_MAINFRAME 146

// Current-settings column (read only).
#define IDC_CUR_MAC 1000
#define IDC_CUR_DHCP 1001
#define IDC_CUR_IPADDRESS 1002
#define IDC_CUR_GATEWAY 1003
#define IDC_CUR_SUBNETMASK 1004
#define IDC_CUR_PORT 1005
#define IDC_CUR_DNSSERVER 1020
#define IDC_CUR_DNSAUTO 1021
#define IDC_CUR_NTPSERVER 1027
#define IDC_CUR_CLIENTMODE 1038
#define IDC_CUR_SERVER 1039
#define IDC_CUR_SERVERPORT 1040

// New-settings column (the editor).
#define IDC_NEW_MAC 1008
#define IDC_NEW_PORT 1009
#define IDC_NEW_PASSWORD 1010
#define IDC_NEW_DHCP 1011
#define IDC_NEW_IPADDRESS 1012
#define IDC_NEW_GATEWAY 1013
#define IDC_NEW_SUBNETMASK 1014
#define IDC_NEW_DNSSERVER 1022
#define IDC_NEW_DNSAUTO 1023
#define IDC_NEW_CLIENTMODE 1024
#define IDC_NEW_NTPSERVER 1025
#define IDC_NEW_SERVER 1026
#define IDC_NEW_SERVERPORT 1033

// Buttons and menu commands.
#define IDC_READ_INTO_EDITOR 6
#define IDC_SAVE_FILE 1007
#define IDC_OPEN_FILE 1015
#define IDC_CONNECTION_SETTINGS 1016
#define IDC_CONNECT 1017
#define IDC_WRITE_TO_DEVICE 1018
#define IDC_NEW_SETTINGS 1019
#define IDC_FLASHMODE_HELP 1028
#define IDC_CONFIG_HELP 1035
#define IDC_DISCONNECT 1036
#define ID_APP_ABOUT 32772
#define IDC_PRODUCT_INFO 32776
#define ID_FILE_SAVE_AS 57604

// About box: the file-version line.
#define IDC_ABOUT_VERSION 1020

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
