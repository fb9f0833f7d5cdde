// The layout of every window the program shows, walked in the real windows at
// the DPI the prefix is set to (tests/win/at-dpi runs this at 96, 120, 144
// and 192 DPI): the panel and every visible control lie inside their
// top-level window's client area, and every label's, button's and check
// box's text fits its control, measured with the control's own font. With
// Windows' font metrics every text of the fixed templates fits, at every one
// of these scales.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app_harness.h"
#include "core/session/server_settings.h"
#include "core/session/session.h"
#include "dialog_harness.h"
#include "res/resource.h"
#include "ui/common/dpi.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/item_dialog.h"
#include "ui/dialogs/settings_dialog.h"
#include "ui/panel/item_commands.h"
#include "ui/panel/panel_windows.h"

namespace {

// Face that `name` resolves to in this prefix.
std::string ResolvedFace(const char* name, BYTE charset) {
    LOGFONTA lf = {};
    lf.lfHeight = -11;
    lf.lfCharSet = charset;
    lstrcpynA(lf.lfFaceName, name, sizeof lf.lfFaceName);
    HFONT font = CreateFontIndirectA(&lf);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    char face[LF_FACESIZE] = "";
    GetTextFaceA(dc, sizeof face, face);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    return face;
}

// Dialog base units of a window made from a template, from MapDialogRect.
SIZE BaseUnits(HWND dialog) {
    RECT rect = {0, 0, 4, 8};
    MapDialogRect(dialog, &rect);
    return {rect.right, rect.bottom};
}

INT_PTR CALLBACK InertDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// Runs before every test: a prefix without Windows' dialog fonts gives one
// clear failure here instead of a failure for every control.
class DialogFonts : public ::testing::Environment {
public:
    void SetUp() override {
        const char* expected = getenv("QX_EXPECT_DPI");
        const UINT dpi = WindowDpi(nullptr);
        if (expected != nullptr) {
            ASSERT_EQ(dpi, static_cast<UINT>(atoi(expected)))
                << "the prefix's LogPixels did not take effect";
        }
        ASSERT_EQ(ResolvedFace("MS Sans Serif", ANSI_CHARSET), "MS Sans Serif")
            << "the prefix has no \"MS Sans Serif\": link Wine's fonts (fonts-wine) into C:\\windows\\Fonts";
        ASSERT_EQ(ResolvedFace("Marlett", SYMBOL_CHARSET), "Marlett")
            << "the prefix has no Marlett: the title-bar buttons would be drawn as letters";
        if (dpi != USER_DEFAULT_SCREEN_DPI)
            return;
        HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONNECT),
                                         nullptr, InertDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
        const SIZE units = BaseUnits(dialog);
        DestroyWindow(dialog);
        ASSERT_TRUE(units.cx == 6 && units.cy == 13)
            << "dialog base units of \"MS Sans Serif\" 8 at 96 DPI are " << units.cx << " x "
            << units.cy
            << ", not 6 x 13 as on Windows: the prefix lacks Wine's own fonts (fonts-wine)";
    }
};
const auto* const g_dialogFonts = ::testing::AddGlobalTestEnvironment(new DialogFonts);

struct Walk {
    HWND top;
    std::vector<HWND> found;
};

// Shown whenever `top` is: the main window of these tests stays hidden.
BOOL CALLBACK AddIfVisible(HWND child, LPARAM lParam) {
    auto walk = reinterpret_cast<Walk*>(lParam);
    HWND at = child;
    while (at != walk->top && (GetWindowLongA(at, GWL_STYLE) & WS_VISIBLE))
        at = GetParent(at);
    if (at == walk->top)
        walk->found.push_back(child);
    return TRUE;
}

// Children, grandchildren and so on.
std::vector<HWND> VisibleDescendants(HWND top) {
    Walk walk = {top, {}};
    EnumChildWindows(top, AddIfVisible, reinterpret_cast<LPARAM>(&walk));
    return walk.found;
}

std::string Describe(HWND control) {
    return ClassName(control) + " " + std::to_string(GetDlgCtrlID(control)) + " \"" +
           WindowText(control) + "\"";
}

// The text without its mnemonic marks ("&&" stands for "&").
std::string DisplayedText(const std::string& text) {
    std::string shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    return shown;
}

int TextWidth(HWND control, const std::string& text) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    SIZE size = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size.cx;
}

// Width that a control leaves to its text, or -1 when its text is not drawn
// as one line in its client area.
int TextRoom(HWND control) {
    RECT client;
    GetClientRect(control, &client);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    const std::string cls = ClassName(control);
    const int edge = GetSystemMetrics(SM_CXEDGE);
    if (cls == "Static") {
        const LONG type = style & SS_TYPEMASK;
        if (type == SS_BITMAP || type == SS_ICON)
            return -1;
        return client.right;
    }
    if (cls != "Button")
        return -1;
    switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON: {
        // The frame, the focus rectangle inside it, and the button's image.
        int room = client.right - 2 * (edge + 1);
        BUTTON_IMAGELIST images = {};
        if (SendMessageA(control, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images)) &&
            images.himl != nullptr) {
            int cx = 0, cy = 0;
            ImageList_GetIconSize(images.himl, &cx, &cy);
            room -= cx;
        }
        return room;
    }
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
        // The box and the gap after it.
        return client.right - GetSystemMetrics(SM_CXMENUCHECK) - edge;
    case BS_GROUPBOX:
        // The caption starts a little in from the frame and keeps off its end.
        return client.right - 4 * edge - 2 * (edge + 1);
    default: return -1;
    }
}

class Layout : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(StartMainWindow(), nullptr);
        dpi = WindowDpi(g_mainWindow);
    }
    void TearDown() override {
        StopMainWindow();
        g_connectionState = CONN_DISCONNECTED;
    }

    // Every visible control of `top` inside its client area, and every text
    // inside its control.
    void CheckWindow(HWND top) {
        ASSERT_NE(top, nullptr);
        const std::string title = WindowText(top);
        RECT client;
        GetClientRect(top, &client);
        const std::vector<HWND> controls = VisibleDescendants(top);
        printf("[ layout ] %u DPI \"%s\": client %ld x %ld, %u windows inside\n", dpi,
               title.c_str(), client.right, client.bottom, static_cast<unsigned>(controls.size()));
        for (HWND control : controls) {
            RECT rect;
            GetWindowRect(control, &rect);
            MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&rect), 2);
            EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right &&
                        rect.bottom <= client.bottom)
                << dpi << " DPI, \"" << title << "\": " << Describe(control) << " spans ("
                << rect.left << ", " << rect.top << ")-(" << rect.right << ", " << rect.bottom
                << ") in a client area of " << client.right << " x " << client.bottom;

            const std::string text = DisplayedText(WindowText(control));
            const int room = TextRoom(control);
            if (text.empty() || room < 0)
                continue;
            const int width = TextWidth(control, text);
            EXPECT_LE(width, room) << dpi << " DPI, \"" << title << "\": " << Describe(control)
                                   << " needs " << width << " px and has " << room;
        }
    }

    UINT dpi = USER_DEFAULT_SCREEN_DPI;
};

TEST_F(Layout, MainWindowHoldsTheWholePanel) {
    RECT frame, client, panel;
    GetWindowRect(g_mainWindow, &frame);
    GetClientRect(g_mainWindow, &client);
    GetWindowRect(g_monitorPanel, &panel);
    const SIZE units = BaseUnits(g_monitorPanel);
    printf("[ layout ] %u DPI: main window %ld x %ld, panel %ld x %ld, base units %ld x %ld\n", dpi,
           frame.right - frame.left, frame.bottom - frame.top, panel.right - panel.left,
           panel.bottom - panel.top, units.cx, units.cy);
    EXPECT_GE(frame.right - frame.left, ScaleForDpi(712, dpi));
    EXPECT_GE(frame.bottom - frame.top, ScaleForDpi(665, dpi));
    CheckWindow(g_mainWindow);  // the panel's own rectangle as well as its controls
}

TEST_F(Layout, ConnectDialog) {
    HWND dialog = nullptr;
    PumpMessages(
        5000, [&] { return (dialog = FindThreadWindow("Connect to Quorvex Server")) != nullptr; });
    CheckWindow(dialog);
}

class ConnectedLayout : public Layout {
protected:
    void SetUp() override {
        Layout::SetUp();
        PumpMessages(5000, [] { return FindThreadWindow("Connect to Quorvex Server") != nullptr; });
        g_connectionState = CONN_CONNECTED;
    }
};

TEST_F(ConnectedLayout, TestItemDialog) {
    PanelCommand(IDC_PANEL_NEW_ITEM);
    CheckWindow(ItemDialogWindow());
}

TEST_F(ConnectedLayout, BothSettingsPages) {
    StoreServerSettings(Cfg{});
    MenuCommand(IDM_SETTINGS);
    ASSERT_NE(SettingsDialogWindow(), nullptr);
    CheckWindow(SettingsDialogWindow());  // the General page
    HWND tree = GetDlgItem(SettingsDialogWindow(), IDC_SETTINGS_TREE);
    HTREEITEM general = TreeView_GetChild(tree, TreeView_GetRoot(tree));
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET,
                 reinterpret_cast<LPARAM>(TreeView_GetNextSibling(tree, general)));
    EXPECT_EQ(WindowText(GetDlgItem(SettingsDialogWindow(), IDC_SETTINGS_TITLE)), "Email Settings");
    CheckWindow(SettingsDialogWindow());
    ForgetServerSettings();
}

TEST_F(ConnectedLayout, AboutBox) {
    MenuCommand(IDM_ABOUT);
    CheckWindow(AboutBoxWindow());
}

}  // namespace
