// The pictures and the manifest built into the program: every icon in every
// size the display scales ask for, the About box's logo, and the request for
// version 6 of the common controls. What the dialogs show is tested with
// each dialog, opened from the program.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

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

TEST(Resources, ManifestAsksForCommonControls6) {
    HRSRC found =
        FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(found, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(nullptr, found))),
                               SizeofResource(nullptr, found));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
}

}  // namespace
