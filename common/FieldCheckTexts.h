#pragma once
// Messages of the data exchange's field checks, as UTF-8 string literals. The dialog framework's
// string table (framework.rc) and the portable checks in FieldChecks.h both take their texts
// from here, so a dialog and the console tool word a refused field alike. Only #define lines:
// the resource compiler reads this file too.

#define NERA_TEXT_PARSE_INT_RANGE "%1 から %2 までの整数を入力してください。"
#define NERA_TEXT_PARSE_STRING_SIZE "%1 文字以内で入力してください。"
#define NERA_TEXT_PARSE_UINT "正の整数を入力してください。"
