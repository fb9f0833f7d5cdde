// The test item dialog: what it shows in new and edit mode, the Pkt that
// Save sends, each refusal in the heading with its colour, and that the
// dialog never reads the item's record after it opened.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "app_harness.h"
#include "core/mirror/server_mirror.h"
#include "core/session/session.h"
#include "dialog_harness.h"
#include "res/resource.h"
#include "ui/dialogs/item_dialog.h"
#include "ui/panel/item_commands.h"

namespace {

class ItemDialog : public DialogTest {
protected:
    HWND OpenNew() {
        MenuCommand(IDM_NEW_ITEM);
        dialog = ItemDialogWindow();
        return dialog;
    }
    HWND OpenEdit(TestItem* item) {
        (void)item;
        SelectRow(0);
        MenuCommand(IDM_EDIT_ITEM);
        dialog = ItemDialogWindow();
        return dialog;
    }
    std::string Text(int id) { return WindowText(GetDlgItem(dialog, id)); }
    void Set(int id, const char* text) { SetDlgItemTextA(dialog, id, text); }
    int Selection() {
        return static_cast<int>(
            SendDlgItemMessageA(dialog, IDC_ITEM_TEST_TYPE, CB_GETCURSEL, 0, 0));
    }
    void Save() { ASSERT_TRUE(Click(dialog, "Save")); }
    void Cancel() { ASSERT_TRUE(Click(dialog, "Cancel")); }

    // Asks the dialog for the heading's colours as a paint would.
    struct Colours {
        COLORREF text;
        int bkMode;
        HBRUSH brush;
    };
    Colours StaticColours(int id) {
        HDC dc = CreateCompatibleDC(nullptr);
        SetTextColor(dc, RGB(1, 2, 3));
        SetBkMode(dc, OPAQUE);
        auto brush = reinterpret_cast<HBRUSH>(
            SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, id))));
        Colours c = {GetTextColor(dc), GetBkMode(dc), brush};
        DeleteDC(dc);
        return c;
    }

    HWND dialog = nullptr;
};

TestItemConfig FullConfig() {
    TestItemConfig c = {};
    lstrcpynA(c.name, "Web front", sizeof c.name);
    lstrcpynA(c.host, "192.168.1.20", sizeof c.host);
    c.testType = TEST_TCP;
    c.port = 8080;
    c.interval = 300;
    c.timeout = 12;
    c.retries = 4;
    c.mailOnDown = 1;
    c.mailOnUp = 0;
    return c;
}

TEST_F(ItemDialog, NewModeOpensWithItsTextsAndDefaults) {
    ASSERT_NE(OpenNew(), nullptr);
    EXPECT_EQ(Selection(), 0);
    EXPECT_EQ(Text(IDC_ITEM_TEST_TYPE), "ICMP Ping");
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_ITEM_TEST_TYPE, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(Text(IDC_ITEM_NAME), "");
    EXPECT_EQ(Text(IDC_ITEM_HOST), "");
    EXPECT_EQ(Text(IDC_ITEM_PORT), "");
    EXPECT_EQ(Text(IDC_ITEM_INTERVAL), "60");
    EXPECT_EQ(Text(IDC_ITEM_TIMEOUT), "3");
    EXPECT_EQ(Text(IDC_ITEM_RETRIES), "3");
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ITEM_MAIL_DOWN), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ITEM_MAIL_UP), BST_UNCHECKED);
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_ITEM_NAME));
    // What the user reads, and fields that take what the record holds.
    EXPECT_EQ(ShownTexts(dialog),
              (std::vector<std::string>{
                  "Test Item Configuration", "Cancel", "Description:", "Hostname or IP address:",
                  "Number of retries:", "Please fill in details for new test item",
                  "Port:", "Remember to configure admin's email in \"Settings\"", "Save",
                  "Send Email Notifications to Administrator", "Send Email on Host Down",
                  "Send Email on Host Up",
                  "Test Interval (Seconds):", "Test Timeout (Seconds):", "Test Type:"}));
    EXPECT_EQ(DefaultButton(dialog), "Save");
    const std::initializer_list<ShownField> fields = {
        {IDC_ITEM_NAME, "text", 79},       {IDC_ITEM_HOST, "text", 79},
        {IDC_ITEM_TEST_TYPE, "choice", 0}, {IDC_ITEM_PORT, "digits", 5},
        {IDC_ITEM_INTERVAL, "digits", 5},  {IDC_ITEM_TIMEOUT, "digits", 2},
        {IDC_ITEM_RETRIES, "digits", 1},   {IDC_ITEM_MAIL_DOWN, "check box", 0},
        {IDC_ITEM_MAIL_UP, "check box", 0}};
    ExpectFields(dialog, fields);
}

TEST_F(ItemDialog, HeadingFontIsItalicArialMadeOnce) {
    ASSERT_NE(OpenNew(), nullptr);
    auto headingFont = [this] {
        return reinterpret_cast<HFONT>(
            SendDlgItemMessageA(dialog, IDC_ITEM_HEADING, WM_GETFONT, 0, 0));
    };
    HFONT font = headingFont();
    LOGFONTA lf = {};
    ASSERT_NE(GetObjectA(font, sizeof lf, &lf), 0);
    EXPECT_STREQ(lf.lfFaceName, "Arial");
    EXPECT_TRUE(lf.lfItalic);
    EXPECT_FALSE(lf.lfUnderline);
    EXPECT_EQ(lf.lfWeight, 0);
    EXPECT_LT(lf.lfHeight, 0);
    Cancel();
    ASSERT_NE(OpenNew(), nullptr);
    EXPECT_EQ(headingFont(), font) << "reused by every later opening";
}

TEST_F(ItemDialog, NewSaveSendsTheWholePktAndCloses) {
    ASSERT_NE(OpenNew(), nullptr);
    Set(IDC_ITEM_NAME, "Web front");
    Set(IDC_ITEM_HOST, "192.168.1.20");
    SendDlgItemMessageA(dialog, IDC_ITEM_TEST_TYPE, CB_SETCURSEL, TEST_TCP, 0);
    Set(IDC_ITEM_PORT, "8080");
    Set(IDC_ITEM_INTERVAL, "300");
    Set(IDC_ITEM_TIMEOUT, "12");
    Set(IDC_ITEM_RETRIES, "4");
    CheckDlgButton(dialog, IDC_ITEM_MAIL_DOWN, BST_CHECKED);
    Save();
    ASSERT_EQ(g_capture.sentFrames.size(), 1u);
    Pkt expected = MakeRequest(CODE_ITEM_NEW);
    expected.config = FullConfig();
    EXPECT_EQ(g_capture.sentFrames[0], FrameOf(expected));
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(ItemDialogWindow(), nullptr);
}

TEST_F(ItemDialog, APingNeedsOnlyANameAndAHost) {
    ASSERT_NE(OpenNew(), nullptr);
    Set(IDC_ITEM_NAME, "gw");
    Set(IDC_ITEM_HOST, "10.0.0.1");
    Save();
    ASSERT_EQ(g_capture.sentFrames.size(), 1u);
    Pkt expected = MakeRequest(CODE_ITEM_NEW);
    lstrcpynA(expected.config.name, "gw", 80);
    lstrcpynA(expected.config.host, "10.0.0.1", 80);
    expected.config.interval = 60;
    expected.config.timeout = 3;
    expected.config.retries = 3;
    EXPECT_EQ(g_capture.sentFrames[0], FrameOf(expected)) << "port 0 for a ping";
}

struct Failure {
    const char* name;
    const char* host;
    int type;
    const char* port;
    const char* interval;
    const char* timeout;
    const char* retries;
    const char* message;
};

TEST_F(ItemDialog, EachRefusalShowsInTheHeadingInRedAndKeepsTheDialogOpen) {
    const Failure failures[] = {
        {"", "", 0, "65536", "60", "3", "3", "(*) Please set port value 1 to 65535"},
        {"n", "h", 0, "1", "65536", "3", "3", "(*) Please set Interval value 1 to 65535"},
        {"", "h", 0, "", "60", "3", "3", "(*) Please set non empty item name"},
        {"n", "", 0, "", "60", "3", "3", "(*) Please set non empty hostname or IP address"},
        {"n", "h", 1, "", "60", "3", "3", "(*) Please set non zero Port number"},
        {"n", "h", 1, "0", "60", "3", "3", "(*) Please set non zero Port number"},
        {"n", "h", 0, "", "", "3", "3", "(*) Please set non zero Interval"},
        {"n", "h", 0, "", "0", "3", "3", "(*) Please set non zero Interval"},
        {"n", "h", 0, "", "60", "", "3", "(*) Please set non zero Timeout"},
        {"n", "h", 0, "", "60", "3", "0", "(*) Please set non zero Number of retries"},
    };
    for (const Failure& f : failures) {
        ASSERT_NE(OpenNew(), nullptr);
        EXPECT_EQ(StaticColours(IDC_ITEM_HEADING).text, RGB(0, 0, 0)) << "greeting in black";
        Set(IDC_ITEM_NAME, f.name);
        Set(IDC_ITEM_HOST, f.host);
        SendDlgItemMessageA(dialog, IDC_ITEM_TEST_TYPE, CB_SETCURSEL, f.type, 0);
        Set(IDC_ITEM_PORT, f.port);
        Set(IDC_ITEM_INTERVAL, f.interval);
        Set(IDC_ITEM_TIMEOUT, f.timeout);
        Set(IDC_ITEM_RETRIES, f.retries);
        Save();
        EXPECT_EQ(Text(IDC_ITEM_HEADING), f.message);
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_EQ(ItemDialogWindow(), dialog);
        const Colours c = StaticColours(IDC_ITEM_HEADING);
        EXPECT_EQ(c.text, RGB(255, 51, 0)) << f.message;
        EXPECT_EQ(c.bkMode, TRANSPARENT);
        EXPECT_EQ(c.brush, GetSysColorBrush(COLOR_BTNFACE));
        EXPECT_EQ(Text(IDC_ITEM_NAME), f.name) << "fields stay as the user left them";
        Cancel();
    }
    EXPECT_TRUE(g_capture.sentFrames.empty());
}

TEST_F(ItemDialog, HeadingStaysRedAfterTheFieldIsCorrectedUntilTheNextOpening) {
    ASSERT_NE(OpenNew(), nullptr);
    Set(IDC_ITEM_HOST, "h");
    Save();
    Set(IDC_ITEM_NAME, "n");
    EXPECT_EQ(StaticColours(IDC_ITEM_HEADING).text, RGB(255, 51, 0));
    Cancel();
    ASSERT_NE(OpenNew(), nullptr);
    EXPECT_EQ(StaticColours(IDC_ITEM_HEADING).text, RGB(0, 0, 0));
}

TEST_F(ItemDialog, NoteIsOnTheWindowBrushAndOtherStaticsKeepTheirColours) {
    ASSERT_NE(OpenNew(), nullptr);
    const Colours note = StaticColours(IDC_ITEM_NOTE);
    EXPECT_EQ(note.brush, GetSysColorBrush(COLOR_WINDOW));
    EXPECT_EQ(note.text, RGB(1, 2, 3)) << "text colour left alone";
    EXPECT_EQ(note.bkMode, OPAQUE);
}

TEST_F(ItemDialog, EditShowsTheItemAndSendsTheWholeConfigurationWithItsId) {
    TestItem* item = AddItem(42, "x");
    item->config = FullConfig();
    ASSERT_NE(OpenEdit(item), nullptr);
    EXPECT_EQ(Text(IDC_ITEM_HEADING), "Please edit details of test item");
    EXPECT_EQ(Text(IDC_ITEM_NAME), "Web front");
    EXPECT_EQ(Text(IDC_ITEM_HOST), "192.168.1.20");
    EXPECT_EQ(Selection(), TEST_TCP);
    EXPECT_EQ(Text(IDC_ITEM_PORT), "8080");
    EXPECT_EQ(Text(IDC_ITEM_INTERVAL), "300");
    EXPECT_EQ(Text(IDC_ITEM_TIMEOUT), "12");
    EXPECT_EQ(Text(IDC_ITEM_RETRIES), "4");
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ITEM_MAIL_DOWN), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_ITEM_MAIL_UP), BST_UNCHECKED);

    Set(IDC_ITEM_HOST, "192.168.1.21");
    Save();
    ASSERT_EQ(g_capture.sentFrames.size(), 1u);
    Pkt expected = MakeRequest(CODE_ITEM_EDIT, 42);
    expected.config = FullConfig();
    lstrcpynA(expected.config.host, "192.168.1.21", 80);
    EXPECT_EQ(g_capture.sentFrames[0], FrameOf(expected));
    EXPECT_STREQ(item->config.host, "192.168.1.20")
        << "the row changes on the server's answer only";
}

TEST_F(ItemDialog, AnUnknownTestTypeOpensWithoutSelectionAndSavesAllOnes) {
    TestItem* item = AddItem(8, "odd");
    item->config.testType = 5;
    ASSERT_NE(OpenEdit(item), nullptr);
    EXPECT_EQ(Selection(), CB_ERR);
    Save();
    ASSERT_EQ(g_capture.sentFrames.size(), 1u);
    Pkt sent;
    std::memcpy(&sent, g_capture.sentFrames[0].data() + 4, sizeof sent);
    EXPECT_EQ(sent.config.testType, 0xFFFFFFFFu);
    EXPECT_EQ(sent.code, static_cast<uint32_t>(CODE_ITEM_EDIT));
}

TEST_F(ItemDialog, SaveAfterTheItemWasDeletedSendsTheEditForTheRememberedId) {
    TestItem* item = AddItem(77, "short-lived");
    ASSERT_NE(OpenEdit(item), nullptr);
    ClearItemRows();  // the server deleted it, or the connection ended: the record is freed
    Set(IDC_ITEM_NAME, "renamed");
    Save();
    ASSERT_EQ(g_capture.sentFrames.size(), 1u);
    Pkt expected = MakeRequest(CODE_ITEM_EDIT, 77);
    lstrcpynA(expected.config.name, "renamed", 80);
    lstrcpynA(expected.config.host, "10.0.0.1", 80);
    expected.config.interval = 60;
    expected.config.timeout = 3;
    expected.config.retries = 3;
    EXPECT_EQ(g_capture.sentFrames[0], FrameOf(expected));
    EXPECT_EQ(ItemDialogWindow(), nullptr);
}

TEST_F(ItemDialog, CancelAndTheCloseBoxSendNothing) {
    ASSERT_NE(OpenNew(), nullptr);
    Set(IDC_ITEM_NAME, "n");
    Set(IDC_ITEM_HOST, "h");
    Cancel();
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(ItemDialogWindow(), nullptr);
    ASSERT_NE(OpenNew(), nullptr);
    SendMessageA(dialog, WM_CLOSE, 0, 0);  // the system posts Cancel for it
    EXPECT_TRUE(PumpMessages(2000, [this] { return !IsWindow(dialog); }));
    EXPECT_EQ(ItemDialogWindow(), nullptr);
    EXPECT_TRUE(g_capture.sentFrames.empty());
}

}  // namespace
