// The About box and the hyperlink control: one box at a time, the texts, the
// link colour through the parent, the hover underline by capture, and that
// closing leaves no window property and no underline font behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "app_harness.h"
#include "dialog_harness.h"
#include "res/resource.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/hyperlink.h"

namespace {

const char* const kLinkProps[] = {HYPERLINK_PROP_ORIGINAL_PROC, HYPERLINK_PROP_ORIGINAL_FONT,
                                  HYPERLINK_PROP_UNDERLINE_FONT, HYPERLINK_PROP_FROM_STATIC};

class AboutBox : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        MenuCommand(IDM_ABOUT);
        box = AboutBoxWindow();
        ASSERT_NE(box, nullptr);
        web = GetDlgItem(box, IDC_ABOUT_WEB);
        mail = GetDlgItem(box, IDC_ABOUT_MAIL);
    }
    void TearDown() override {
        if (GetCapture() != nullptr)
            ReleaseCapture();
        DialogTest::TearDown();
    }

    COLORREF TextColourFor(HWND control) {
        HDC dc = CreateCompatibleDC(nullptr);
        SetTextColor(dc, RGB(1, 2, 3));
        SendMessageA(box, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(control));
        const COLORREF colour = GetTextColor(dc);
        DeleteDC(dc);
        return colour;
    }
    HFONT FontOf(HWND control) {
        return reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    }

    HWND box = nullptr;
    HWND web = nullptr;
    HWND mail = nullptr;
};

BOOL CALLBACK CountAboutBoxes(HWND window, LPARAM count) {
    if (WindowText(window) == "About Quorvex")
        ++*reinterpret_cast<int*>(count);
    return TRUE;
}

TEST_F(AboutBox, OpensOnceWithItsTexts) {
    MenuCommand(IDM_ABOUT);
    EXPECT_EQ(AboutBoxWindow(), box);
    int boxes = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountAboutBoxes, reinterpret_cast<LPARAM>(&boxes));
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(WindowText(web), QX_WEB_TEXT);
    EXPECT_EQ(WindowText(mail), QX_MAIL_TEXT);
    EXPECT_EQ(WindowText(GetDlgItem(box, IDC_ABOUT_VERSION)), "Quorvex v" QX_VERSION);
    LOGFONTA title = {};
    ASSERT_NE(GetObjectA(FontOf(GetDlgItem(box, IDC_ABOUT_VERSION)), sizeof title, &title), 0);
    EXPECT_STREQ(title.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(title.lfWeight, 600);
    EXPECT_EQ(WindowText(GetDlgItem(box, IDC_ABOUT_NOTICE)), QX_NOTICE_TEXT);
    EXPECT_NE(SendDlgItemMessageA(box, IDC_ABOUT_LOGO, STM_GETIMAGE, IMAGE_BITMAP, 0), 0)
        << "the logo is shown";
    EXPECT_EQ(DefaultButton(box), "OK");
}

TEST_F(AboutBox, LinksAreDrawnInLinkBlueThroughTheParentAndOthersAreNot) {
    EXPECT_EQ(TextColourFor(web), RGB(0, 0, 192));
    EXPECT_EQ(TextColourFor(mail), RGB(0, 0, 192));
    EXPECT_NE(TextColourFor(GetDlgItem(box, IDC_ABOUT_VERSION)), RGB(0, 0, 192));
    EXPECT_NE(TextColourFor(GetDlgItem(box, IDC_ABOUT_NOTICE)), RGB(0, 0, 192));
}

TEST_F(AboutBox, LinksCarryTheirPropertiesAndTheBoxIsSubclassedOnce) {
    for (HWND link : {web, mail}) {
        for (const char* name : kLinkProps)
            EXPECT_NE(GetPropA(link, name), nullptr) << name;
        EXPECT_EQ(GetPropA(link, HYPERLINK_PROP_FROM_STATIC), reinterpret_cast<HANDLE>(1));
        EXPECT_EQ(GetPropA(link, HYPERLINK_PROP_ORIGINAL_FONT), FontOf(link))
            << "plain until hovered";
        EXPECT_TRUE(GetWindowLongPtrA(link, GWL_STYLE) & SS_NOTIFY);
        EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(link, GWLP_WNDPROC)), HyperlinkProc);
    }
    EXPECT_NE(GetPropA(web, HYPERLINK_PROP_UNDERLINE_FONT),
              GetPropA(mail, HYPERLINK_PROP_UNDERLINE_FONT));
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(box, GWLP_WNDPROC)), HyperlinkParentProc);
    HANDLE original = GetPropA(box, HYPERLINK_PROP_ORIGINAL_PROC);
    EXPECT_NE(original, nullptr);
    EXPECT_NE(original, reinterpret_cast<HANDLE>(HyperlinkParentProc));
}

TEST_F(AboutBox, HoverUnderlinesWithCaptureAndLeavingRestores) {
    HFONT plain = FontOf(web);
    auto underline = static_cast<HFONT>(GetPropA(web, HYPERLINK_PROP_UNDERLINE_FONT));
    LOGFONTA lf = {};
    ASSERT_NE(GetObjectA(underline, sizeof lf, &lf), 0);
    EXPECT_TRUE(lf.lfUnderline);

    SendMessageA(web, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(GetCapture(), web);
    EXPECT_EQ(FontOf(web), underline);
    SendMessageA(web, WM_MOUSEMOVE, 0, MAKELPARAM(3, 2));  // still inside
    EXPECT_EQ(GetCapture(), web);
    EXPECT_EQ(FontOf(web), underline);

    RECT client;
    GetClientRect(web, &client);
    SendMessageA(web, WM_MOUSEMOVE, 0, MAKELPARAM(client.right + 20, 2));
    EXPECT_NE(GetCapture(), web);
    EXPECT_EQ(FontOf(web), plain);
}

TEST_F(AboutBox, HandCursorOverALink) {
    EXPECT_EQ(SendMessageA(web, WM_SETCURSOR, reinterpret_cast<WPARAM>(web),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));
}

// Wraps a window's procedure so that, after the real WM_DESTROY handling has
// run, the properties that are left can still be looked at.
std::map<HWND, WNDPROC> g_wrapped;
std::map<HWND, std::vector<std::string>> g_leftAtDestroy;
std::map<HWND, HFONT> g_fontAtDestroy;

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC next = g_wrapped[window];
    if (message != WM_DESTROY)
        return CallWindowProcA(next, window, message, wParam, lParam);
    const LRESULT result = CallWindowProcA(next, window, message, wParam, lParam);
    for (const char* name : kLinkProps)
        if (GetPropA(window, name) != nullptr)
            g_leftAtDestroy[window].push_back(name);
    g_fontAtDestroy[window] = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    return result;
}

void Wrap(HWND window) {
    g_wrapped[window] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ProbeProc)));
}

TEST_F(AboutBox, ClosingLeavesNoPropertiesAndNoUnderlineFonts) {
    g_wrapped.clear();
    g_leftAtDestroy.clear();
    g_fontAtDestroy.clear();
    const HFONT plainWeb = FontOf(web);
    const HFONT plainMail = FontOf(mail);
    const auto underlineWeb = static_cast<HFONT>(GetPropA(web, HYPERLINK_PROP_UNDERLINE_FONT));
    const auto underlineMail = static_cast<HFONT>(GetPropA(mail, HYPERLINK_PROP_UNDERLINE_FONT));
    SendMessageA(web, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));  // closed while hovered
    ReleaseCapture();
    for (HWND w : {box, web, mail})
        Wrap(w);

    ASSERT_TRUE(Click(box, "OK"));
    EXPECT_FALSE(IsWindow(box));
    EXPECT_EQ(AboutBoxWindow(), nullptr);
    ASSERT_EQ(g_fontAtDestroy.size(), 3u) << "every window went through WM_DESTROY";
    for (HWND w : {box, web, mail})
        EXPECT_TRUE(g_leftAtDestroy[w].empty())
            << (g_leftAtDestroy[w].empty() ? "" : g_leftAtDestroy[w][0]);
    EXPECT_EQ(g_fontAtDestroy[web], plainWeb);
    EXPECT_EQ(g_fontAtDestroy[mail], plainMail);
    EXPECT_EQ(GetObjectType(underlineWeb), 0u) << "underline font deleted";
    EXPECT_EQ(GetObjectType(underlineMail), 0u);

    MenuCommand(IDM_ABOUT);
    EXPECT_NE(AboutBoxWindow(), nullptr) << "opens again";
}

}  // namespace
