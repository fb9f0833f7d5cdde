// The test item dialog (template 111): creates a new test item or edits the
// configuration of an existing one, and sends it to the server on Save.
#pragma once

#include <windows.h>

#include <cstdint>

struct TestItem;

INT_PTR CALLBACK TestItemDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

enum class ItemDialogMode : uint8_t {
    NewItem,   // sends CODE_ITEM_NEW
    EditItem,  // shows `item` and sends CODE_ITEM_EDIT for its id
};

// Opens the dialog owned by `owner`, for a new item or to edit `item` (a
// row's record; without one the dialog opens for a new item). The dialog
// copies what it needs while it opens and never reads the item again. It
// keeps its own handle: from its WM_INITDIALOG until it is destroyed,
// however it goes.
void OpenItemDialog(HWND owner, ItemDialogMode mode, const TestItem* item = nullptr);

// The open test item dialog, or null.
HWND ItemDialogWindow();

// The heading line's font: made at the dialog's first opening and kept for
// every later one, deleted at the main window's WM_DESTROY; null before and
// after.
void DeleteHeadingFont();
