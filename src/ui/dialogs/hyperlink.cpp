// The hyperlink control. Both the link and its parent are subclassed: the
// parent so that it can set the link's text colour in WM_CTLCOLORSTATIC
// (a static control asks its parent for its colours), the link for the hand
// cursor and the hover underline. Each window undoes its own subclassing and
// removes its own properties in its WM_DESTROY; the parent is destroyed
// before its children, so nothing is left to the other.
#include "ui/dialogs/hyperlink.h"

namespace {

WNDPROC PropProc(HWND window) {
    return reinterpret_cast<WNDPROC>(GetPropA(window, HYPERLINK_PROP_ORIGINAL_PROC));
}

HFONT PropFont(HWND window, const char* name) {
    return static_cast<HFONT>(GetPropA(window, name));
}

void SetFontNoRedraw(HWND control, HFONT font) {
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    InvalidateRect(control, nullptr, FALSE);
}

LRESULT OnParentCtlColor(HWND window, WNDPROC previous, WPARAM wParam, LPARAM lParam) {
    const LRESULT brush = CallWindowProcA(previous, window, WM_CTLCOLORSTATIC, wParam, lParam);
    SetTextColor(reinterpret_cast<HDC>(wParam), LINK_COLOUR);
    return brush;
}

LRESULT OnParentDestroy(HWND window, WNDPROC previous, WPARAM wParam, LPARAM lParam) {
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RemovePropA(window, HYPERLINK_PROP_ORIGINAL_PROC);
    return CallWindowProcA(previous, window, WM_DESTROY, wParam, lParam);
}

LRESULT OnSetCursor() {
    HCURSOR cursor = LoadCursorA(nullptr, IDC_HAND);
    if (cursor == nullptr)
        cursor = LoadCursorA(nullptr, IDC_ARROW);
    SetCursor(cursor);
    return TRUE;
}

// The first move over the link underlines it and captures the mouse, so that
// the link also sees the move that leaves it, which undoes both.
void OnMouseMove(HWND control, LPARAM lParam) {
    if (GetCapture() != control) {
        SetFontNoRedraw(control, PropFont(control, HYPERLINK_PROP_UNDERLINE_FONT));
        SetCapture(control);
        return;
    }
    RECT rect;
    GetWindowRect(control, &rect);
    POINT pt = {static_cast<LONG>(LOWORD(lParam)), static_cast<LONG>(HIWORD(lParam))};
    ClientToScreen(control, &pt);
    if (!PtInRect(&rect, pt)) {
        SetFontNoRedraw(control, PropFont(control, HYPERLINK_PROP_ORIGINAL_FONT));
        ReleaseCapture();
    }
}

LRESULT OnLinkDestroy(HWND control, WNDPROC previous, WPARAM wParam, LPARAM lParam) {
    SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RemovePropA(control, HYPERLINK_PROP_ORIGINAL_PROC);
    SendMessageA(control, WM_SETFONT,
                 reinterpret_cast<WPARAM>(PropFont(control, HYPERLINK_PROP_ORIGINAL_FONT)), FALSE);
    RemovePropA(control, HYPERLINK_PROP_ORIGINAL_FONT);
    DeleteObject(PropFont(control, HYPERLINK_PROP_UNDERLINE_FONT));
    RemovePropA(control, HYPERLINK_PROP_UNDERLINE_FONT);
    RemovePropA(control, HYPERLINK_PROP_FROM_STATIC);
    return CallWindowProcA(previous, control, WM_DESTROY, wParam, lParam);
}

}  // namespace

void MakeHyperlink(HWND control) {
    HWND parent = GetParent(control);
    if (parent != nullptr) {
        const auto parentProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(parent, GWLP_WNDPROC));
        if (parentProc != HyperlinkParentProc) {  // a parent with several links: once only
            SetPropA(parent, HYPERLINK_PROP_ORIGINAL_PROC, reinterpret_cast<HANDLE>(parentProc));
            SetWindowLongPtrA(parent, GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(HyperlinkParentProc));
        }
    }

    // SS_NOTIFY makes the static send its click notification to the parent.
    SetWindowLongPtrA(control, GWL_STYLE, GetWindowLongPtrA(control, GWL_STYLE) | SS_NOTIFY);

    const auto controlProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(control, GWLP_WNDPROC));
    SetPropA(control, HYPERLINK_PROP_ORIGINAL_PROC, reinterpret_cast<HANDLE>(controlProc));
    SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HyperlinkProc));

    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    SetPropA(control, HYPERLINK_PROP_ORIGINAL_FONT, font);

    LOGFONTA lf = {};
    GetObjectA(font, sizeof lf, &lf);
    lf.lfUnderline = 1;
    SetPropA(control, HYPERLINK_PROP_UNDERLINE_FONT, CreateFontIndirectA(&lf));
    SetPropA(control, HYPERLINK_PROP_FROM_STATIC, reinterpret_cast<HANDLE>(1));
}

LRESULT CALLBACK HyperlinkParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC previous = PropProc(window);
    switch (message) {
    case WM_CTLCOLORSTATIC:
        if (GetPropA(reinterpret_cast<HWND>(lParam), HYPERLINK_PROP_FROM_STATIC) != nullptr)
            return OnParentCtlColor(window, previous, wParam, lParam);
        break;
    case WM_DESTROY: return OnParentDestroy(window, previous, wParam, lParam);
    default: break;
    }
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

LRESULT CALLBACK HyperlinkProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC previous = PropProc(control);
    switch (message) {
    case WM_SETCURSOR: return OnSetCursor();
    case WM_MOUSEMOVE: OnMouseMove(control, lParam); break;
    case WM_DESTROY: return OnLinkDestroy(control, previous, wParam, lParam);
    default: break;
    }
    return CallWindowProcA(previous, control, message, wParam, lParam);
}
