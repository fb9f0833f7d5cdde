// Looks at an installed Quorvex Client from inside Wine, as Windows sees it,
// for the installer check in package.sh. Every wait is bounded.
//   qx_install_driver folders          print the user's and the machine's
//                                      folders (NAME=path lines)
//   qx_install_driver shortcut LNK     print the shortcut's target= and workdir=
//   qx_install_driver start LNK SETUP  start the program as the shortcut does
//                                      (its target, in its working directory),
//                                      connect it to the reference server
//                                      ($QX_REFSERVER), "cancel SETUP", try a
//                                      silent upgrade= and uninstall=, close it
//                                      (closed=), uninstall with the manual
//                                      held=; print port= and those exit codes
//   qx_install_driver cancel SETUP     start the installer, print the text of
//                                      its first message box, press Cancel,
//                                      print the installer's exit=
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "client_process.h"
#include "refserver.h"
#include "res/resource.h"

namespace {

std::string KnownFolder(int csidl) {
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return "";
    return path;
}

// Reads a .lnk file the way the shell does.
bool ReadShortcut(const char* lnk, std::string* target, std::string* workdir) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return false;
    bool ok = false;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t wide[MAX_PATH];
        char path[MAX_PATH] = "", dir[MAX_PATH] = "";
        if (MultiByteToWideChar(CP_ACP, 0, lnk, -1, wide, MAX_PATH) > 0 &&
            SUCCEEDED(file->Load(wide, STGM_READ)) &&
            SUCCEEDED(link->GetPath(path, sizeof path, nullptr, SLGP_RAWPATH)) &&
            SUCCEEDED(link->GetWorkingDirectory(dir, sizeof dir))) {
            *target = path;
            *workdir = dir;
            ok = true;
        }
        file->Release();
    }
    link->Release();
    return ok;
}

struct BoxSearch {
    DWORD process;
    HWND box;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
    BoxSearch* search = reinterpret_cast<BoxSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (process == search->process && std::strcmp(cls, "#32770") == 0 && IsWindowVisible(window) &&
        GetDlgItem(window, 0xFFFF) != nullptr) {  // a message box's text
        search->box = window;
        return FALSE;
    }
    return TRUE;
}

long RunToEnd(std::string cmd) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    return WaitForProcess(&pi, 60000);
}

int Cancel(const char* setup) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = std::string("\"") + setup + "\"";
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 1;
    BoxSearch search = {pi.dwProcessId, nullptr};
    WaitFor(
        [&] {
            EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
            return search.box != nullptr;
        },
        30000);
    int rc = 0;
    if (search.box != nullptr) {
        char text[2048] = "";
        GetDlgItemTextA(search.box, 0xFFFF, text, sizeof text);
        printf("message=%s\n", text);
        PostMessageA(search.box, WM_COMMAND, IDCANCEL, 0);
    } else {
        fprintf(stderr, "no message box\n");
        rc = 1;
    }
    const long code = WaitForProcess(&pi, 20000);
    printf("exit=%ld\n", code);
    return code == -1 ? 1 : rc;
}

int Start(const char* lnk, const char* setup) {
    std::string target, workdir;
    if (!ReadShortcut(lnk, &target, &workdir)) {
        fprintf(stderr, "cannot read %s\n", lnk);
        return 1;
    }
    RefServer server;
    if (!server.Start("")) {
        fprintf(stderr, "%s\n", server.Error().c_str());
        return 1;
    }
    printf("port=%u\n", server.Port());
    PROCESS_INFORMATION pi = {};
    if (!StartClientProcess(target, workdir, server.Port(), &pi)) {
        fprintf(stderr, "the program did not start or showed no connect dialog\n");
        return 1;
    }
    HWND main = FindWindowA(QX_MAIN_WINDOW_CLASS, "Quorvex Client");
    // "Connect" becomes "Disconnect" once the connection stands.
    const bool connected =
        WaitFor([&] { return GetWindowTextLengthA(PanelControl(main, 1036)) == 10; }, 20000);
    printf("connected=%d\n", connected ? 1 : 0);
    // The uninstaller in place, for its exit code: it reads "_?=" only unquoted.
    const std::string uninstall = "\"" + workdir + "\\uninstall.exe\" /S _?=" + workdir;
    Cancel(setup);
    printf("upgrade=%ld\n", RunToEnd(std::string("\"") + setup + "\" /S"));
    printf("uninstall=%ld\n", RunToEnd(uninstall));
    printf("closed=%ld\n", StopClientProcess(&pi));
    // As a PDF viewer holds the manual it shows.
    HANDLE manual = CreateFileA((workdir + "\\QuorvexManual.pdf").c_str(), GENERIC_READ,
                                FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    printf("held=%ld\n", RunToEnd(uninstall));
    CloseHandle(manual);
    return connected ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const char* what = argc > 1 ? argv[1] : "";
    CoInitialize(nullptr);
    int rc = 2;
    if (std::strcmp(what, "folders") == 0) {
        printf("PROFILE=%s\n", KnownFolder(CSIDL_PROFILE).c_str());
        printf("LOCALAPPDATA=%s\n", KnownFolder(CSIDL_LOCAL_APPDATA).c_str());
        printf("PROGRAMS=%s\n", KnownFolder(CSIDL_PROGRAMS).c_str());
        printf("COMMON_PROGRAMS=%s\n", KnownFolder(CSIDL_COMMON_PROGRAMS).c_str());
        printf("PROGRAM_FILES=%s\n", KnownFolder(CSIDL_PROGRAM_FILES).c_str());
        rc = 0;
    } else if (std::strcmp(what, "shortcut") == 0 && argc > 2) {
        std::string target, workdir;
        rc = ReadShortcut(argv[2], &target, &workdir) ? 0 : 1;
        printf("target=%s\nworkdir=%s\n", target.c_str(), workdir.c_str());
    } else if (std::strcmp(what, "start") == 0 && argc > 3) {
        rc = Start(argv[2], argv[3]);
    } else if (std::strcmp(what, "cancel") == 0 && argc > 2) {
        rc = Cancel(argv[2]);
    } else {
        fprintf(stderr,
                "usage: qx_install_driver folders|shortcut LNK|start LNK SETUP|cancel SETUP\n");
    }
    fflush(stdout);
    CoUninitialize();
    return rc;
}
