// The pictures built into the program: every icon in every size the display
// scales ask for, and the About box's logo. What the dialogs show is tested
// with each dialog, opened from the program; the manifest's request for
// version 6 of the common controls shows in the panel's button icons.
#include <gtest/gtest.h>

#include <windows.h>

#include "res/resource.h"

namespace {

// A frame of its own for every small and large icon size from 100 % to
// 200 % display scale, so that no icon is drawn scaled from another size.
TEST(Resources, IconsComeInEverySize) {
    HMODULE module = GetModuleHandleA(nullptr);
    for (int id :
         {IDI_EDIT_ITEM, IDI_DELETE_ITEM, IDI_START_TEST, IDI_STOP_TEST, IDI_SETTINGS, IDI_CONNECT,
          IDI_APP, IDI_TRAY_DISCONNECTED, IDI_TRAY_ALL_UP, IDI_TRAY_SOME_DOWN}) {
        HRSRC group =
            FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
        ASSERT_NE(group, nullptr) << id;
        auto directory = static_cast<PBYTE>(LockResource(LoadResource(module, group)));
        for (int size : {16, 20, 24, 32, 40, 48, 64}) {
            const int frameId =
                LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
            HRSRC frame =
                FindResourceA(module, MAKEINTRESOURCEA(frameId), MAKEINTRESOURCEA(3));  // RT_ICON
            ASSERT_NE(frame, nullptr) << id << " at " << size;
            auto header =
                static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, frame)));
            EXPECT_EQ(header->biWidth, size) << id;
            EXPECT_EQ(header->biHeight, 2 * size) << id << ": colour and mask";

            HICON icon = static_cast<HICON>(
                LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
            ASSERT_NE(icon, nullptr) << id;
            DestroyIcon(icon);
        }
    }
}

TEST(Resources, LogoIsA24BitBitmap) {
    HRSRC found =
        FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_LOGO), MAKEINTRESOURCEA(2));
    ASSERT_NE(found, nullptr);
    auto header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(nullptr, found)));
    EXPECT_EQ(header->biWidth, 189);
    EXPECT_EQ(header->biHeight, 44);
    EXPECT_EQ(header->biBitCount, 24);
}

}  // namespace
