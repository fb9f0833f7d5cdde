// The dialog templates compiled into the program: each one loads, and its
// controls have the ids, classes, texts and styles the dialogs rely on.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app_harness.h"
#include "res/resource.h"

namespace {

INT_PTR CALLBACK InertProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

struct Control {
    int id;
    const char* className;  // compared without regard to case
    const char* text;       // null: not compared
    LONG style;             // bits that must be set
};

class Template : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
        InitCommonControlsEx(&icc);
        owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 800, 700, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    }
    static void TearDownTestSuite() { DestroyWindow(owner); }
    void TearDown() override {
        if (dialog)
            DestroyWindow(dialog);
    }

    HWND Load(int id, HWND parent = nullptr) {
        dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                    parent ? parent : owner, InertProc, 0);
        return dialog;
    }

    void ExpectControls(const std::initializer_list<Control>& controls) {
        for (const Control& c : controls) {
            HWND control = GetDlgItem(dialog, c.id);
            ASSERT_NE(control, nullptr) << "control " << c.id;
            EXPECT_EQ(lstrcmpiA(ClassName(control).c_str(), c.className), 0)
                << "control " << c.id << " is " << ClassName(control);
            if (c.text) {
                EXPECT_EQ(WindowText(control), c.text) << "control " << c.id;
            }
            // The dialog manager turns a control's WS_BORDER into a sunken
            // client edge, and a combo box takes its WS_VSCROLL for the list.
            const LONG style = GetWindowLongA(control, GWL_STYLE);
            const LONG wanted = c.style & ~(WS_BORDER | WS_VSCROLL);
            EXPECT_EQ(style & wanted, wanted) << "control " << c.id;
            if (c.style & WS_BORDER) {
                EXPECT_TRUE((style & WS_BORDER) ||
                            (GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE))
                    << "control " << c.id;
            }
        }
    }

    // The client size of the loaded dialog in dialog units.
    SIZE SizeInDialogUnits(int width, int height) {
        RECT rect = {0, 0, width, height};
        MapDialogRect(dialog, &rect);
        return {rect.right, rect.bottom};
    }
    void ExpectClientSize(int width, int height) {
        RECT client;
        GetClientRect(dialog, &client);
        const SIZE expected = SizeInDialogUnits(width, height);
        EXPECT_EQ(client.right, expected.cx);
        EXPECT_EQ(client.bottom, expected.cy);
    }

    static HWND owner;
    HWND dialog = nullptr;
};
HWND Template::owner;

TEST_F(Template, MonitorPanel101) {
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 800, 700, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(Load(IDD_MONITOR_PANEL, parent), nullptr);
    EXPECT_TRUE(GetWindowLongA(dialog, GWL_STYLE) & WS_CHILD);
    ExpectClientSize(471, 379);
    ExpectControls({{1026, "SysListView32", nullptr, LVS_REPORT},
                    {1028, "SysListView32", nullptr, LVS_REPORT},
                    {1037, "SysListView32", nullptr, LVS_REPORT | LVS_NOCOLUMNHEADER},
                    {1050, "ComboBox", nullptr, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
                    {1051, "Button", "Reload Events", WS_TABSTOP}});
    // The static label has no id; it is the only static control.
    HWND label = FindWindowExA(dialog, nullptr, "Static", "Event View Depth");
    EXPECT_NE(label, nullptr);
    DestroyWindow(parent);
    dialog = nullptr;
}

TEST_F(Template, TestItemDialog111) {
    ASSERT_NE(Load(IDD_TEST_ITEM), nullptr);
    EXPECT_EQ(WindowText(dialog), "Test Item Configuration");
    ExpectClientSize(318, 224);
    ExpectControls({{1030, "Edit", "", WS_BORDER | ES_AUTOHSCROLL},
                    {1031, "Edit", "", WS_BORDER | ES_AUTOHSCROLL},
                    {1032, "ComboBox", nullptr, CBS_DROPDOWNLIST},
                    {1007, "Edit", "", ES_NUMBER | ES_CENTER},
                    {1009, "Edit", "", ES_NUMBER | ES_CENTER},
                    {1010, "Edit", "", ES_NUMBER | ES_CENTER},
                    {1011, "Edit", "", ES_NUMBER | ES_CENTER},
                    {IDCANCEL, "Button", "Cancel", 0},
                    {IDOK, "Button", "Save", BS_DEFPUSHBUTTON},
                    {1038, "Static", "", SS_CENTER},
                    {1055, "Button", "Send Email Notifications to Administrator", BS_GROUPBOX},
                    {1052, "Button", "Send Email on Host Down", BS_AUTOCHECKBOX},
                    {1053, "Button", "Send Email on Host Up", BS_AUTOCHECKBOX},
                    {1054, "Static", "Remember to configure admin's email in \"Settings\"",
                     SS_CENTER | SS_CENTERIMAGE | SS_SUNKEN}});
}

TEST_F(Template, SettingsFrame123AndPages124And130) {
    ASSERT_NE(Load(IDD_SETTINGS), nullptr);
    EXPECT_EQ(WindowText(dialog), "Quorvex Server Configuration");
    ExpectClientSize(310, 194);
    ExpectControls(
        {{IDOK, "Button", "Save", BS_DEFPUSHBUTTON},
         {IDCANCEL, "Button", "Cancel", 0},
         {1043, "SysTreeView32", nullptr, TVS_HASLINES | TVS_SHOWSELALWAYS | TVS_FULLROWSELECT},
         {1044, "Static", "", SS_CENTER | SS_CENTERIMAGE | SS_SUNKEN}});

    HWND frame = dialog;
    for (int page : {IDD_SETTINGS_GENERAL, IDD_SETTINGS_EMAIL}) {
        HWND pageWindow = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(page),
                                             frame, InertProc, 0);
        ASSERT_NE(pageWindow, nullptr) << page;
        const LONG style = GetWindowLongA(pageWindow, GWL_STYLE);
        EXPECT_TRUE(style & WS_CHILD) << page;
        EXPECT_FALSE(style & WS_VISIBLE) << "a page is shown by whoever opens it";
        RECT rect = {93, 20, 0, 0}, actual;
        MapDialogRect(frame, &rect);
        GetWindowRect(pageWindow, &actual);
        MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, rect.left) << page;
        EXPECT_EQ(actual.top, rect.top) << page;
        dialog = pageWindow;
        if (page == IDD_SETTINGS_GENERAL) {
            ExpectControls({{1007, "Edit", "", ES_NUMBER | ES_CENTER}});
        } else {
            ExpectControls(
                {{1046, "Edit", "", ES_AUTOHSCROLL},
                 {1047, "Edit", "", ES_AUTOHSCROLL},
                 {1048, "Edit", "", ES_AUTOHSCROLL},
                 {1056, "Button", "SMTP server requires authentication", BS_AUTOCHECKBOX},
                 {1019, "Edit", "", ES_AUTOHSCROLL},
                 {1020, "Edit", "", ES_PASSWORD},
                 {1007, "Edit", "", ES_NUMBER | ES_CENTER}});
        }
        DestroyWindow(pageWindow);
    }
    dialog = frame;
}

TEST_F(Template, ConnectDialog125) {
    ASSERT_NE(Load(IDD_CONNECT), nullptr);
    EXPECT_EQ(WindowText(dialog), "Connect to Quorvex Server");
    ExpectClientSize(186, 74);
    ExpectControls({{1048, "SysIPAddress32", nullptr, WS_TABSTOP},
                    {1049, "Static", "Port", 0},
                    {1007, "Edit", "", ES_NUMBER | ES_CENTER},
                    {IDCANCEL, "Button", "Cancel", 0},
                    {1047, "Button", "OK", BS_DEFPUSHBUTTON}});
    EXPECT_EQ(GetDlgItem(dialog, IDOK), nullptr) << "OK is 1047, not IDOK";
    RECT cancel, ok;
    GetWindowRect(GetDlgItem(dialog, IDCANCEL), &cancel);
    GetWindowRect(GetDlgItem(dialog, 1047), &ok);
    EXPECT_LT(cancel.left, ok.left) << "Cancel stands to the left of OK";
}

TEST_F(Template, AboutBox132WithTheLogoBitmap) {
    ASSERT_NE(Load(IDD_ABOUT), nullptr);
    EXPECT_EQ(WindowText(dialog), "About Quorvex");
    ExpectControls({{IDOK, "Button", "OK", BS_DEFPUSHBUTTON},
                    {1062, "Static", nullptr, SS_BITMAP | SS_REALSIZEIMAGE | SS_SUNKEN},
                    {1063, "Static", nullptr, WS_GROUP},
                    {1064, "Static", nullptr, WS_GROUP},
                    {1065, "Static", nullptr, SS_CENTER | SS_CENTERIMAGE},
                    {1066, "Static", nullptr, SS_CENTER | SS_CENTERIMAGE}});
    HBITMAP logo =
        reinterpret_cast<HBITMAP>(SendDlgItemMessageA(dialog, 1062, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(logo, nullptr);
    BITMAP info = {};
    GetObjectA(logo, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 189);
    EXPECT_EQ(info.bmHeight, 44);
}

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
