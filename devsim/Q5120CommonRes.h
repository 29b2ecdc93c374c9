#pragma once
// Resource identifiers of Q5120Common.dll: the product-information and connection-settings
// dialogs and their texts.

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_PRODUCT_INFO 200
#define IDC_PI_PRODUCT 1201
#define IDC_PI_HWCODE 1202
#define IDC_PI_FIRMWARE 1203
#define IDC_PI_MAC 1204
#define IDC_PI_UUID 1205
#define IDC_PI_PASSWORD 1206
#define IDC_PI_MODULE 1207

#define IDD_OPTIONS 300
#define IDC_OPT_FOLDER 1301
#define IDC_OPT_RELOAD 1302
#define IDC_OPT_DEFAULT 1303
#define IDC_OPT_SOURCE 1304
#define IDC_OPT_MODULES 1305
#define IDC_OPT_MAKE_FIRST 1306
#define IDC_OPT_CREATE 1307

#define IDS_NOT_SET 2001
#define IDS_PASSWORD_NONE 2002
#define IDS_PASSWORD_SET 2003
#define IDS_SOURCE_ENVIRONMENT 2004
#define IDS_SOURCE_SETTINGS 2005
#define IDS_SOURCE_DEFAULT 2006
#define IDS_SOURCE_EDITED 2007
#define IDS_NO_STORE 2008
#define IDS_SAVE_FAILED 2009
#define IDS_CREATE_FAILED 2010
#define IDS_FIRST_MARK 2011
#define IDS_STORE_BUSY 2012
