// The combo fill operation shared by the panel and the test item dialog.
#include "ui/common/combo_fill.h"

void FillCombo(HWND dialog, const char* const* texts, int comboId, int selectIndex) {
    for (const char* const* text = texts; *text != nullptr; ++text)
        SendDlgItemMessageA(dialog, comboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(*text));
    SendDlgItemMessageA(dialog, comboId, CB_SELECTSTRING, 0,
                        reinterpret_cast<LPARAM>(texts[selectIndex]));
}
