// The GDI objects that outlive single dialogs are each made and deleted by
// the file that uses them; the main window's WM_DESTROY has each delete its
// own, so none is deleted twice and none outlives the program.
#pragma once

#include <windows.h>

template <typename Handle>
void DeleteGdiObject(Handle& object) {
    if (object != nullptr)
        DeleteObject(object);
    object = nullptr;
}
