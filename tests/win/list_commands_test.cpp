// The lists' right-click menu, Copy and Export to CSV as a user meets them:
// the menu as it opens, the clipboard's texts, the file's bytes, and a
// failed export that leaves the earlier file whole.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "app_harness.h"
#include "core/mirror/server_mirror.h"
#include "list_reader.h"
#include "res/resource.h"
#include "ui/common/popup_menu.h"
#include "ui/panel/csv_export.h"
#include "ui/panel/panel_windows.h"

namespace {

struct MenuSeen {
    std::string texts;
    bool copyGreyed;
    bool selectAllGreyed;
};
MenuSeen g_menu;
UINT g_choice;
char g_savePath[MAX_PATH];
std::string g_offeredName, g_filter;
std::string g_boxText;

UINT ReadMenu(HMENU popup, HWND, POINT) {
    g_menu = {MenuTexts(popup), (GetMenuState(popup, IDM_LIST_COPY, MF_BYCOMMAND) & MF_GRAYED) != 0,
              (GetMenuState(popup, IDM_LIST_SELECT_ALL, MF_BYCOMMAND) & MF_GRAYED) != 0};
    return g_choice;
}

BOOL WINAPI ChooseFile(LPOPENFILENAMEA dialog) {
    g_offeredName = dialog->lpstrFile;
    g_filter.assign(dialog->lpstrFilter, std::strlen(dialog->lpstrFilter));
    lstrcpynA(dialog->lpstrFile, g_savePath, static_cast<int>(dialog->nMaxFile));
    return TRUE;
}

// Reads the failure box and closes it, from inside its own loop.
void CALLBACK CloseBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = FindThreadWindow("Export to CSV");
    if (box == nullptr)
        return;
    g_boxText = WindowText(GetDlgItem(box, 0xFFFF));
    KillTimer(nullptr, timer);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

std::string FileBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void AddEvent(const char* item, const char* text) {
    EventRecord event = {};
    std::strcpy(event.date, "09/12/2026");
    std::strcpy(event.time, "03:15:00");
    std::strcpy(event.itemName, item);
    std::strcpy(event.host, "10.0.0.1");
    std::strcpy(event.text, text);
    ASSERT_TRUE(AddEventRow(event, 0));
}

// A right-click at the middle of `row`, or below the last row when -1.
void RightClick(HWND list, int row) {
    RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(list, LVM_GETITEMRECT, row < 0 ? 0 : row, reinterpret_cast<LPARAM>(&bounds));
    POINT at = {bounds.left + 20, row < 0 ? bounds.bottom + 200 : (bounds.top + bounds.bottom) / 2};
    ClientToScreen(list, &at);
    SendMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(at.x, at.y));
}

class ListCommands : public ::testing::Test {
protected:
    void SetUp() override {
        SetPopupMenuCall(ReadMenu);
        SetSaveNameCall(ChooseFile);
        ASSERT_NE(StartMainWindow(), nullptr);
        char folder[MAX_PATH];
        GetTempPathA(sizeof folder, folder);
        lstrcatA(folder, "qx-export-test");
        CreateDirectoryA(folder, nullptr);
        folder_ = folder;
        lstrcpynA(g_savePath, (folder_ + "\\events.csv").c_str(), sizeof g_savePath);
        RemoveTemporaryFiles();
    }
    void TearDown() override {
        StopMainWindow();
        SetPopupMenuCall(nullptr);
        SetSaveNameCall(nullptr);
        DeleteFileA(g_savePath);
        RemoveTemporaryFiles();
        RemoveDirectoryA(folder_.c_str());
    }
    void RemoveTemporaryFiles() {  // what a failed run may have left
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder_ + "\\*.tmp").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                DeleteFileA((folder_ + "\\" + found.cFileName).c_str());
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
    }
    bool LeftoverTemporaryFile() {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder_ + "\\*.tmp").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return false;
        FindClose(search);
        return true;
    }
    std::string folder_;
};

TEST_F(ListCommands, RightClickExportWritesTheRowsThenAFailureKeepsTheEarlierFile) {
    AddEvent("web, main", "Down");
    AddEvent("say \"hi\"", "=HYPERLINK(1)");
    AddEvent("caf\xE9", "@x");

    g_choice = 0;
    RightClick(g_eventsList, -1);  // below the rows: nothing is selected
    EXPECT_EQ(g_menu.texts, "Copy\tCtrl+C | Select All\tCtrl+A | - | Export to CSV...");
    EXPECT_TRUE(g_menu.copyGreyed);
    EXPECT_TRUE(g_menu.selectAllGreyed);  // the lists hold one selected row

    g_choice = IDM_LIST_EXPORT;
    RightClick(g_eventsList, 1);
    EXPECT_FALSE(g_menu.copyGreyed);
    EXPECT_EQ(SendMessageA(g_eventsList, LVM_GETNEXTITEM, -1, LVNI_SELECTED), 1);
    EXPECT_EQ(g_filter, "CSV files (*.csv)");
    EXPECT_EQ(g_offeredName.rfind("quorvex-events-", 0), 0u) << g_offeredName;
    EXPECT_EQ(g_offeredName.size(), std::strlen("quorvex-events-20261209-031500.csv"));
    ASSERT_TRUE(PumpMessages(5000, [] { return !ExportUnderWay(); }));
    AddEvent("late", "Up");  // after the export: not in the file

    wchar_t wide[8];
    char cafe[16];
    MultiByteToWideChar(CP_ACP, 0, "caf\xE9", -1, wide, 8);
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, cafe, sizeof cafe, nullptr, nullptr);
    const std::string expected =
        std::string("\xEF\xBB\xBF") + "Date,Time,Test Item,Hostname,Event Text\r\n" +
        "09/12/2026,03:15:00,\"web, main\",10.0.0.1,Down\r\n" +
        "09/12/2026,03:15:00,\"say \"\"hi\"\"\",10.0.0.1,'=HYPERLINK(1)\r\n" +
        "09/12/2026,03:15:00," + cafe + ",10.0.0.1,'@x\r\n";
    EXPECT_EQ(FileBytes(g_savePath), expected);
    EXPECT_EQ(LastLogLine(), std::string("Exported 3 rows to ") + g_savePath);
    EXPECT_FALSE(LeftoverTemporaryFile());

    // A target that cannot be replaced, as when a spreadsheet holds it
    // open: the earlier file stays as it was.
    HANDLE held = CreateFileA(g_savePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    g_boxText.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseBox);
    RightClick(g_eventsList, 0);
    ASSERT_TRUE(PumpMessages(5000, [] { return !ExportUnderWay() && !g_boxText.empty(); }))
        << LastLogLine();
    KillTimer(nullptr, timer);
    CloseHandle(held);
    EXPECT_EQ(FileBytes(g_savePath), expected);
    EXPECT_FALSE(LeftoverTemporaryFile());
    EXPECT_EQ(g_boxText.rfind(std::string("Could not export to ") + g_savePath + ".\r\n\r\n", 0),
              0u)
        << g_boxText;
    EXPECT_GT(g_boxText.size(),
              std::strlen("Could not export to .\r\n\r\n") + std::strlen(g_savePath));
    EXPECT_EQ(LastLogLine().rfind(std::string("Export to ") + g_savePath + " failed: ", 0), 0u)
        << LastLogLine();
}

TEST_F(ListCommands, CtrlCCopiesTheSelectedRowAsTheListShowsIt) {
    TestItem* item = NewTestItem();
    ASSERT_NE(item, nullptr);
    item->itemId = 7;
    std::strcpy(item->config.name, "Jos\xE9's web");
    std::strcpy(item->config.host, "example.org");
    item->config.port = 443;
    item->config.testType = 1;
    ASSERT_TRUE(AddItemRow(item, 0));
    LVITEMA state = {};
    state.stateMask = state.state = LVIS_SELECTED;
    SendMessageA(g_itemsList, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));

    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageA(g_itemsList, WM_KEYDOWN, 'C', 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);

    std::string shown;
    for (int column = 0; column < 5; ++column)
        shown += (column ? "\t" : "") + CellText(g_itemsList, 0, column);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE ansiBlock = GetClipboardData(CF_TEXT), wideBlock = GetClipboardData(CF_UNICODETEXT);
    const char* ansi = static_cast<const char*>(GlobalLock(ansiBlock));
    const wchar_t* unicode = static_cast<const wchar_t*>(GlobalLock(wideBlock));
    const std::string text = ansi != nullptr ? ansi : "";
    wchar_t expectedWide[128];
    MultiByteToWideChar(CP_ACP, 0, shown.c_str(), -1, expectedWide, 128);
    const std::wstring wideText = unicode != nullptr ? unicode : L"";
    GlobalUnlock(ansiBlock);
    GlobalUnlock(wideBlock);
    CloseClipboard();
    EXPECT_EQ(text, shown);
    EXPECT_EQ(text.substr(0, 11), "Jos\xE9's web\t");
    EXPECT_TRUE(wideText == expectedWide);
}

}  // namespace
