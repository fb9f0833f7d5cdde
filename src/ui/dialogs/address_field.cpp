// Setting and reading the address field of the connect dialog.
#include "ui/dialogs/address_field.h"

#include <commctrl.h>

#include <cstdio>

#include "core/sockets/address.h"

void SetAddressField(HWND control, const char* text) {
    SetWindowTextA(control, text);
    unsigned a, b, c, d;
    if (IsDottedQuad(text) && std::sscanf(text, "%u.%u.%u.%u", &a, &b, &c, &d) == 4 && a < 256 &&
        b < 256 && c < 256 && d < 256)
        SendMessageA(control, IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d));
}

void ReadAddressField(HWND control, char* out16) {
    DWORD address = 0;
    if (SendMessageA(control, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address)) == 0) {
        out16[0] = '\0';
        return;
    }
    std::snprintf(out16, 16, "%u.%u.%u.%u", static_cast<unsigned>(FIRST_IPADDRESS(address)),
                  static_cast<unsigned>(SECOND_IPADDRESS(address)),
                  static_cast<unsigned>(THIRD_IPADDRESS(address)),
                  static_cast<unsigned>(FOURTH_IPADDRESS(address)));
}
