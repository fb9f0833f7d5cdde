// Presses the buttons of a running quorvex.exe for the headless demo and the
// manual's screenshots, from another process, with messages only (no
// synthetic input). Every wait is bounded; the exit code says whether the
// awaited window or state showed up. Before a picture, it waits until the
// window is painted.
//   qx_demo_driver connect [ROWS]     wait for the connect dialog to be filled,
//                                     press OK, wait until the test items list
//                                     has ROWS rows (default 1)
//   qx_demo_driver connect-dialog     wait for the connect dialog to be filled
//   qx_demo_driver open ID TITLE      post menu command ID to the main window,
//                                     wait for the window titled TITLE
//   qx_demo_driver close TITLE        press Cancel in the window titled TITLE
//   qx_demo_driver page TITLE N       select page N (from 0) of the settings tree
//   qx_demo_driver rect TITLE         print the window's "left top width height"
//   qx_demo_driver list-menu ID       right-click the first row of the panel's
//                                     list ID (WM_CONTEXTMENU, as Windows sends
//                                     it), wait for its menu, print the rectangle
//                                     around the list and the menu
//   qx_demo_driver close-menu         press Escape in the open menu, wait until
//                                     it is gone
// "open", "connect-dialog" and "rect" print the rectangle of the window.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "client_process.h"
#include "res/resource.h"

namespace {

HWND MainWindow() {
    return FindWindowA(QX_MAIN_WINDOW_CLASS, "Quorvex Client");
}

int PrintRect(HWND window) {
    RECT r;
    if (window == nullptr || !GetWindowRect(window, &r))
        return 1;
    printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    return 0;
}

BOOL CALLBACK FindUnpainted(HWND window, LPARAM found) {
    if (!GetUpdateRect(window, nullptr, FALSE))
        return TRUE;
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

// Before a picture is taken: waits (at most 5 s each) until neither the
// window nor any of its children has anything left to paint, and until the
// program waits for input again, which is where Wine hands what it drew to
// the display.
void WaitUntilPainted(HWND window) {
    WaitFor(
        [&] {
            bool unpainted = GetUpdateRect(window, nullptr, FALSE) != FALSE;
            EnumChildWindows(window, FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
            return !unpainted;
        },
        5000);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid)) {
        WaitForInputIdle(process, 5000);
        CloseHandle(process);
    }
}

// The connect dialog exists before its WM_INITDIALOG has filled the fields:
// wait for the address and the port, or what is pressed next acts on empty fields.
HWND FilledConnectDialog() {
    HWND dialog = WaitForFilledConnectDialog(30000);
    if (dialog == nullptr)
        return nullptr;
    // Repaint it whole: only a picture is taken, nothing changes in the program.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    WaitUntilPainted(dialog);
    return dialog;
}

// The popup menu on screen (class "#32768"), if one is visible.
HWND VisibleMenu() {
    HWND menu = FindWindowA("#32768", nullptr);
    return menu != nullptr && IsWindowVisible(menu) ? menu : nullptr;
}

// A point in the first row, a few pixels below the column titles: a row's
// rectangle cannot be asked for from another process.
int RightClickFirstRow(int id) {
    HWND list = PanelControl(MainWindow(), id);
    HWND header = list ? reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0)) : nullptr;
    RECT listRect, headerRect;
    if (header == nullptr || !GetWindowRect(list, &listRect) || !GetWindowRect(header, &headerRect))
        return 1;
    const LONG x = listRect.left + (listRect.right - listRect.left) / 4;
    const LONG y = headerRect.bottom + 6;
    // A right-click gives the list the focus, so its selected row is
    // highlighted as in a window in front.
    SendMessageA(GetParent(list), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
    PostMessageA(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(x, y));
    HWND menu = nullptr;
    WaitFor([&] { return (menu = VisibleMenu()) != nullptr; }, 10000);
    if (menu == nullptr) {
        fprintf(stderr, "no menu\n");
        return 1;
    }
    WaitUntilPainted(menu);
    // The right-click selected the row, so "Copy" is offered.
    if (SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) < 1) {
        fprintf(stderr, "no row selected\n");
        return 1;
    }
    RECT menuRect;
    GetWindowRect(menu, &menuRect);
    RECT around;
    UnionRect(&around, &listRect, &menuRect);
    InflateRect(&around, 2, 2);  // the list's edge, not its neighbours
    printf("%ld %ld %ld %ld\n", around.left, around.top, around.right - around.left,
           around.bottom - around.top);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(
            stderr,
            "usage: qx_demo_driver connect [ROWS] | connect-dialog | open ID TITLE | close TITLE | page TITLE N | rect TITLE | list-menu ID | close-menu\n");
        return 2;
    }
    const char* what = argv[1];
    if (strcmp(what, "connect-dialog") == 0) {
        HWND dialog = FilledConnectDialog();
        char ip[32] = "";
        GetDlgItemTextA(dialog, 1048, ip, sizeof ip);
        fprintf(stderr, "address: %s\n", ip);
        return PrintRect(dialog);
    }
    if (strcmp(what, "connect") == 0) {
        const int rows = argc > 2 ? atoi(argv[2]) : 1;
        HWND dialog = FilledConnectDialog();
        if (dialog == nullptr) {
            fprintf(stderr, "no connect dialog\n");
            return 1;
        }
        PostMessageA(dialog, WM_COMMAND, 1047, 0);
        HWND items = PanelControl(MainWindow(), 1026);
        int count = 0;
        const bool ok =
            items && WaitFor(
                         [&] {
                             count = static_cast<int>(SendMessageA(items, LVM_GETITEMCOUNT, 0, 0));
                             return count >= rows;
                         },
                         30000);
        printf("rows: %d\n", count);
        return ok ? 0 : 1;
    }
    if (strcmp(what, "open") == 0 && argc > 3) {
        HWND main = MainWindow();
        if (main == nullptr)
            return 1;
        PostMessageA(main, WM_COMMAND, static_cast<WPARAM>(atoi(argv[2])), 0);
        HWND window = nullptr;
        WaitFor([&] { return (window = FindWindowA(nullptr, argv[3])) != nullptr; }, 10000);
        if (window != nullptr)
            WaitUntilPainted(window);
        return PrintRect(window);
    }
    if (strcmp(what, "close") == 0 && argc > 2) {
        HWND window = FindWindowA(nullptr, argv[2]);
        if (window == nullptr)
            return 1;
        // Cancel closes every dialog but the About box, which has only OK.
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        if (WaitFor([&] { return FindWindowA(nullptr, argv[2]) == nullptr; }, 3000))
            return 0;
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        return WaitFor([&] { return FindWindowA(nullptr, argv[2]) == nullptr; }, 5000) ? 0 : 1;
    }
    if (strcmp(what, "page") == 0 && argc > 3) {
        // Selects page N (0 = first) of the settings dialog's tree; tree items
        // are handles, so no memory crosses the process boundary.
        HWND window = FindWindowA(nullptr, argv[2]);
        HWND tree = window ? GetDlgItem(window, 1043) : nullptr;
        if (tree == nullptr)
            return 1;
        // "Configuration" is the root; the pages are its children.
        LRESULT item = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
        item = item ? SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, item) : 0;
        for (int i = atoi(argv[3]); i > 0 && item != 0; --i)
            item = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, item);
        if (item == 0)
            return 1;
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, item);
        WaitUntilPainted(window);
        return 0;
    }
    if (strcmp(what, "rect") == 0 && argc > 2)
        return PrintRect(FindWindowA(nullptr, argv[2]));
    if (strcmp(what, "list-menu") == 0 && argc > 2)
        return RightClickFirstRow(atoi(argv[2]));
    if (strcmp(what, "close-menu") == 0) {
        HWND menu = VisibleMenu();
        if (menu == nullptr)
            return 1;
        // The menu's loop reads the keys posted to its thread.
        PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        return WaitFor([] { return VisibleMenu() == nullptr; }, 5000) ? 0 : 1;
    }
    fprintf(stderr, "unknown command\n");
    return 2;
}
