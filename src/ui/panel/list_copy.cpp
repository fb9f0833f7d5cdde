// The clipboard gets both forms: a program that reads only one of them
// would otherwise have it made by Windows from the keyboard's code page,
// which need not be the one the texts are in.
#include "ui/panel/list_copy.h"

#include <commctrl.h>

#include <cstring>

#include "ui/common/code_page.h"
#include "ui/panel/list_texts.h"

namespace {

// A movable global block holding size bytes of data, or null.
HGLOBAL BlockOf(const void* data, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block == nullptr)
        return nullptr;
    void* bytes = GlobalLock(block);
    if (bytes == nullptr) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(bytes, data, size);
    GlobalUnlock(block);
    return block;
}

void PutOnClipboard(UINT format, const void* data, size_t size) {
    HGLOBAL block = BlockOf(data, size);
    if (block != nullptr && SetClipboardData(format, block) == nullptr)
        GlobalFree(block);  // not taken: still ours
}

}  // namespace

std::string SelectedRowsText(HWND list) {
    std::string text;
    const int columns = ListColumnCount(list);
    char cell[LIST_CELL_TEXT];
    int row = -1;
    bool first = true;
    while ((row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                LVNI_SELECTED))) >= 0) {
        if (!first)
            text += "\r\n";
        first = false;
        for (int column = 0; column < columns; ++column) {
            if (column > 0)
                text += '\t';
            ListCellText(list, row, column, cell, sizeof cell);
            text += cell;
        }
    }
    return text;
}

void CopySelectedRows(HWND list) {
    const std::string text = SelectedRowsText(list);
    if (text.empty() && SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0)
        return;
    if (!OpenClipboard(GetParent(list)))
        return;
    EmptyClipboard();
    const std::wstring wide = AnsiToWide(text.data(), text.size());
    PutOnClipboard(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    PutOnClipboard(CF_TEXT, text.c_str(), text.size() + 1);
    CloseClipboard();
}
