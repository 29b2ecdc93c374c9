#pragma once
// String and command IDs owned by the dialog framework. Programs include framework.rc in their
// own resource script so that these strings travel with every executable.

// Data exchange messages.
#define IDS_PARSE_INT_RANGE 61714   // "%1 から %2 までの整数を入力してください。"
#define IDS_PARSE_STRING_SIZE 61716 // "%1 文字以内で入力してください。"
#define IDS_PARSE_UINT 61719        // "正の整数を入力してください。"

// File error messages, one per cause, in the order of CFileError::Cause; %1 is the file name.
#define IDS_FILE_ERROR_NONE 61856
#define IDS_FILE_ERROR_GENERIC 61857
#define IDS_FILE_ERROR_NOT_FOUND 61858
#define IDS_FILE_ERROR_BAD_PATH 61859
#define IDS_FILE_ERROR_TOO_MANY_OPEN 61860
#define IDS_FILE_ERROR_ACCESS_DENIED 61861
#define IDS_FILE_ERROR_INVALID_FILE 61862
#define IDS_FILE_ERROR_REMOVE_CURRENT_DIR 61863
#define IDS_FILE_ERROR_DIRECTORY_FULL 61864
#define IDS_FILE_ERROR_BAD_SEEK 61865
#define IDS_FILE_ERROR_HARD_IO 61866
#define IDS_FILE_ERROR_SHARING 61867
#define IDS_FILE_ERROR_LOCK 61868
#define IDS_FILE_ERROR_DISK_FULL 61869
#define IDS_FILE_ERROR_END_OF_FILE 61870

// Standard commands.
#define ID_HELP 57670       // help command, handled by the application object
#define IDM_ABOUTBOX 0x0010 // system-menu entry that opens a program's about box

#ifndef IDC_STATIC
#define IDC_STATIC (-1) // controls that no code addresses
#endif
