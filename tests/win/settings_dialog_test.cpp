// The server settings dialog: the page tree, page switching with write-back
// into the settings copy, and what Save and Cancel send.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>

#include "app_harness.h"
#include "core/session/server_settings.h"
#include "core/session/session.h"
#include "dialog_harness.h"
#include "res/resource.h"
#include "ui/dialogs/settings_dialog.h"
#include "ui/dialogs/settings_pages.h"
#include "ui/panel/item_commands.h"

namespace {

// What a server sent: a response header, ports, texts with bytes behind
// their NULs that an edit must not disturb.
Cfg SentSettings() {
    Cfg cfg;
    std::memset(&cfg, 0, sizeof cfg);
    cfg.kind = KIND_RESPONSE;
    cfg.code = CODE_SETTINGS_GET;
    cfg.param = 0x5A5A;
    cfg.guiPort = 2111;
    cfg.smtpPort = 25;
    std::memset(cfg.smtpServer, 'z', sizeof cfg.smtpServer);
    std::memcpy(cfg.smtpServer, "smtp.example.org", 17);
    lstrcpynA(cfg.adminEmail, "admin@example.org", 80);
    lstrcpynA(cfg.sourceEmail, "monitor@example.org", 80);
    cfg.smtpAuth = 1;
    lstrcpynA(cfg.smtpUser, "mon", 80);
    lstrcpynA(cfg.smtpPassword, "s3cret", 80);
    return cfg;
}

class Settings : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        StoreServerSettings(SentSettings());
    }

    HWND Open() {
        MenuCommand(IDM_SETTINGS);
        frame = SettingsDialogWindow();
        tree = GetDlgItem(frame, IDC_SETTINGS_TREE);
        return frame;
    }
    HTREEITEM Find(const char* text) {
        for (HTREEITEM item = TreeView_GetRoot(tree); item != nullptr;) {
            if (ItemText(item) == text)
                return item;
            HTREEITEM child = TreeView_GetChild(tree, item);
            item = child != nullptr ? child : TreeView_GetNextSibling(tree, item);
        }
        return nullptr;
    }
    std::string ItemText(HTREEITEM item) {
        char text[80] = "";
        TVITEMA tv = {};
        tv.mask = TVIF_TEXT | TVIF_HANDLE;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = sizeof text;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
        return text;
    }
    void Select(const char* text) {
        HTREEITEM item = Find(text);
        ASSERT_NE(item, nullptr) << text;
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    }
    std::string Title() { return WindowText(GetDlgItem(frame, IDC_SETTINGS_TITLE)); }
    std::string Field(int id) { return WindowText(GetDlgItem(ShownSettingsPage(), id)); }
    void SetField(int id, const char* text) { SetDlgItemTextA(ShownSettingsPage(), id, text); }

    HWND frame = nullptr;
    HWND tree = nullptr;
};

TEST_F(Settings, OpensExpandedOnTheGeneralPage) {
    ASSERT_NE(Open(), nullptr);
    HTREEITEM root = TreeView_GetRoot(tree);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(ItemText(root), "Configuration");
    HTREEITEM general = TreeView_GetChild(tree, root);
    ASSERT_NE(general, nullptr);
    EXPECT_EQ(ItemText(general), "General");
    EXPECT_EQ(ItemText(TreeView_GetNextSibling(tree, general)), "Email");
    EXPECT_TRUE(TreeView_GetItemState(tree, root, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_EQ(TreeView_GetSelection(tree), general);

    EXPECT_EQ(Title(), "General Settings");
    ASSERT_NE(ShownSettingsPage(), nullptr);
    EXPECT_EQ(GetParent(ShownSettingsPage()), frame);
    EXPECT_EQ(Field(IDC_GENERAL_GUI_PORT), "2111");
    EXPECT_EQ(FieldKind(GetDlgItem(ShownSettingsPage(), IDC_GENERAL_GUI_PORT)), "digits");
    EXPECT_EQ(ShownTexts(frame), (std::vector<std::string>{
                                     "Quorvex Server Configuration", "Cancel", "General Settings",
                                     "Save", "Server Port Number (to listen for GUI client)"}));
    EXPECT_EQ(DefaultButton(frame), "Save");

    // The page lies beside the tree and below the title.
    RECT page, beside, above;
    GetWindowRect(ShownSettingsPage(), &page);
    GetWindowRect(tree, &beside);
    GetWindowRect(GetDlgItem(frame, IDC_SETTINGS_TITLE), &above);
    EXPECT_GE(page.left, beside.right);
    EXPECT_GE(page.top, above.bottom);
}

TEST_F(Settings, EmailPageShowsTheMailSettings) {
    ASSERT_NE(Open(), nullptr);
    Select("Email");
    EXPECT_EQ(Title(), "Email Settings");
    EXPECT_EQ(Field(IDC_EMAIL_ADMIN), "admin@example.org");
    EXPECT_EQ(Field(IDC_EMAIL_SOURCE), "monitor@example.org");
    EXPECT_EQ(Field(IDC_EMAIL_SMTP_SERVER), "smtp.example.org");
    EXPECT_EQ(Field(IDC_EMAIL_USER), "mon");
    EXPECT_EQ(Field(IDC_EMAIL_PASSWORD), "s3cret");
    EXPECT_EQ(Field(IDC_EMAIL_SMTP_PORT), "25");
    EXPECT_EQ(IsDlgButtonChecked(ShownSettingsPage(), IDC_EMAIL_AUTH), BST_CHECKED);
    EXPECT_EQ(ShownTexts(frame),
              (std::vector<std::string>{
                  "Quorvex Server Configuration", "Administrator's email address:", "Cancel",
                  "Email Settings", "Password:", "SMTP port:", "SMTP server name:",
                  "SMTP server requires authentication", "Save",
                  "Source email address to use when sending mail to admin:", "Username:"}));
    const std::initializer_list<ShownField> fields = {
        {IDC_EMAIL_ADMIN, "text", 79},           {IDC_EMAIL_SOURCE, "text", 79},
        {IDC_EMAIL_SMTP_SERVER, "text", 79},     {IDC_EMAIL_USER, "text", 79},
        {IDC_EMAIL_PASSWORD, "hidden text", 79}, {IDC_EMAIL_SMTP_PORT, "digits", 5},
        {IDC_EMAIL_AUTH, "check box", 0}};
    ExpectFields(ShownSettingsPage(), fields);
}

TEST_F(Settings, SelectingConfigurationKeepsPageAndTitle) {
    ASSERT_NE(Open(), nullptr);
    Select("Email");
    HWND page = ShownSettingsPage();
    Select("Configuration");
    EXPECT_EQ(ShownSettingsPage(), page);
    EXPECT_TRUE(IsWindow(page));
    EXPECT_EQ(Title(), "Email Settings");
}

TEST_F(Settings, SaveSendsTheEditedCopyWrittenBackByEveryPage) {
    ASSERT_NE(Open(), nullptr);
    SetField(IDC_GENERAL_GUI_PORT, "70000");
    Select("Email");  // the General page writes back as it goes
    SetField(IDC_EMAIL_SMTP_SERVER, "mail.new");
    SetField(IDC_EMAIL_SMTP_PORT, "99999");
    CheckDlgButton(ShownSettingsPage(), IDC_EMAIL_AUTH, BST_UNCHECKED);
    SetField(IDC_EMAIL_USER, "");
    Select("General");
    EXPECT_EQ(Field(IDC_GENERAL_GUI_PORT), "4464") << "reloaded from the copy";
    ASSERT_TRUE(Click(frame, "Save"));

    ASSERT_EQ(g_capture.sentFrames.size(), 1u);
    ASSERT_EQ(g_capture.sentFrames[0].size(), 424u);
    EXPECT_EQ(Bytes(g_capture.sentFrames[0].begin(), g_capture.sentFrames[0].begin() + 4),
              (Bytes{0x51, 0x58, 0x01, 0xA4}));

    Cfg expected = SentSettings();
    expected.kind = KIND_REQUEST;
    expected.code = CODE_SETTINGS_SET;
    expected.guiPort = 4464;
    expected.smtpPort = 34463;
    std::memcpy(expected.smtpServer, "mail.new", 9);  // the old tail stays behind the NUL
    expected.smtpAuth = 0;
    expected.smtpUser[0] = '\0';
    EXPECT_EQ(g_capture.sentFrames[0], FrameOf(&expected, sizeof expected));

    EXPECT_FALSE(IsWindow(frame));
    EXPECT_EQ(SettingsDialogWindow(), nullptr);
    EXPECT_EQ(ShownSettingsPage(), nullptr);
}

TEST_F(Settings, CancelSendsNothingButTheEditsStay) {
    ASSERT_NE(Open(), nullptr);
    Select("Email");
    SetField(IDC_EMAIL_ADMIN, "other@example.org");
    ASSERT_TRUE(Click(frame, "Cancel"));
    EXPECT_TRUE(g_capture.sentFrames.empty());
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_EQ(SettingsDialogWindow(), nullptr);

    ASSERT_NE(Open(), nullptr);
    Select("Email");
    EXPECT_EQ(Field(IDC_EMAIL_ADMIN), "other@example.org");
}

TEST_F(Settings, TheCloseBoxCancels) {
    ASSERT_NE(Open(), nullptr);
    SetField(IDC_GENERAL_GUI_PORT, "3000");
    SendMessageA(frame, WM_CLOSE, 0, 0);  // the system posts Cancel for it
    EXPECT_TRUE(PumpMessages(2000, [this] { return !IsWindow(frame); }));
    EXPECT_EQ(SettingsDialogWindow(), nullptr);
    EXPECT_TRUE(g_capture.sentFrames.empty());
    EXPECT_EQ(ServerSettings().guiPort, 3000);
}

TEST_F(Settings, SaveWithoutAConnectionSendsNothingAndKeepsTheEdits) {
    ASSERT_NE(Open(), nullptr);
    SetField(IDC_GENERAL_GUI_PORT, "2200");
    g_connectionState = CONN_DISCONNECTED;  // the connection ended meanwhile
    ASSERT_TRUE(Click(frame, "Save"));
    EXPECT_TRUE(g_capture.sentFrames.empty());
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_EQ(SettingsDialogWindow(), nullptr);
    EXPECT_EQ(ServerSettings().guiPort, 2200);
}

TEST_F(Settings, PageTitleIsOnTheWhiteBrush) {
    ASSERT_NE(Open(), nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(frame, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(GetDlgItem(frame, IDC_SETTINGS_TITLE))));
    DeleteDC(dc);
    LOGBRUSH colour = {};
    ASSERT_NE(GetObjectA(brush, sizeof colour, &colour), 0);
    EXPECT_EQ(colour.lbColor, RGB(255, 255, 255));
}

}  // namespace
