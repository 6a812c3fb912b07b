#include "controls/button_st.h"

#include <commctrl.h>
#include <windowsx.h>

#include "controls/draw_helpers.h"
#include "core/control_rules.h"

namespace {
using controls::FillSolid;
using controls::ToCore;
using controls::ToWin;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

COLORREF ToneColour(core::FrameTone tone) {
    return ::GetSysColor(tone == core::FrameTone::Highlight ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW);
}

HBITMAP CreateMonochromeMask(int width, int height) { return ::CreateBitmap(width, height, 1, 1, nullptr); }

// The mask is white where the bitmap has the transparent colour and black
// elsewhere; the bitmap itself gets black there, so that painting it with
// SRCPAINT over the masked target leaves the background visible.
win::UniqueBitmap BuildMask(HBITMAP bitmap, int width, int height, COLORREF transparent) {
    win::UniqueBitmap mask(CButtonST::s_gdi.createMask(width, height));
    if (!mask) return {};
    win::UniqueDC src(::CreateCompatibleDC(nullptr));
    win::UniqueDC dst(::CreateCompatibleDC(nullptr));
    if (!src || !dst) return {};
    win::SelectGuard srcSel(src.get(), bitmap);
    win::SelectGuard dstSel(dst.get(), mask.get());
    const COLORREF oldBk = ::SetBkColor(src.get(), transparent);
    ::BitBlt(dst.get(), 0, 0, width, height, src.get(), 0, 0, SRCCOPY);
    const COLORREF oldText = ::SetTextColor(src.get(), kWhite);
    ::SetBkColor(src.get(), kBlack);
    ::BitBlt(src.get(), 0, 0, width, height, dst.get(), 0, 0, SRCAND);
    ::SetTextColor(src.get(), oldText);
    ::SetBkColor(src.get(), oldBk);
    return mask;
}

// A pixel-by-pixel copy in a darker or grey tone; transparent pixels stay.
win::UniqueBitmap BuildToneCopy(HBITMAP source, int width, int height, COLORREF transparent, core::CopyTone tone) {
    win::ClientDC screen(nullptr);
    if (!screen) return {};
    win::UniqueDC src(::CreateCompatibleDC(screen.get()));
    win::UniqueDC dst(::CreateCompatibleDC(screen.get()));
    if (!src || !dst) return {};
    win::UniqueBitmap copy(::CreateCompatibleBitmap(screen.get(), width, height));
    if (!copy) return {};
    win::SelectGuard srcSel(src.get(), source);
    win::SelectGuard dstSel(dst.get(), copy.get());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ::SetPixel(dst.get(), x, y, core::CopyPixel(::GetPixel(src.get(), x, y), transparent, tone));
    return copy;
}

HBITMAP LoadBitmapResource(int id) {
    if (id <= 0) return nullptr;
    return static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
}

void InvalidateIfWindow(HWND wnd, BOOL erase = TRUE) {
    if (wnd) ::InvalidateRect(wnd, nullptr, erase);
}
}  // namespace

const CButtonST::GdiCalls CButtonST::kRealGdi = {&CreateMonochromeMask};
CButtonST::GdiCalls CButtonST::s_gdi = CButtonST::kRealGdi;

CButtonST::CButtonST() {
    SetPressedShift(0, FALSE);
    ResetColors(FALSE);
    m_hCursor = ::LoadCursorW(nullptr, IDC_HAND);
}

CButtonST::~CButtonST() {
    ReleaseBackground();
    FreeImages();
    // The tooltip may already have gone with the dialog that owned it.
    HWND tip = m_ToolTip.release();
    if (tip && ::IsWindow(tip)) ::DestroyWindow(tip);
}

// ---- Operations -------------------------------------------------------------------

DWORD CButtonST::SetStateBitmaps(int hoverId, COLORREF hoverTransparent, int restId, COLORREF restTransparent) {
    HBITMAP rest = nullptr;
    if (restId == kGreyRest) rest = GreyRestRequest();
    else if (restId == kDarkerRest) rest = DarkerRestRequest();
    else rest = LoadBitmapResource(restId);
    return SetStateBitmaps(LoadBitmapResource(hoverId), hoverTransparent, rest, restTransparent);
}

DWORD CButtonST::SetStateBitmaps(HBITMAP hover, COLORREF hoverTransparent, HBITMAP rest, COLORREF restTransparent) {
    // Owned from here on, whatever happens below.
    const bool toneRequest = rest == GreyRestRequest() || rest == DarkerRestRequest();
    win::UniqueBitmap hoverOwner(hover);
    win::UniqueBitmap restOwner(toneRequest ? nullptr : rest);

    FreeImages();
    if (!hoverOwner) {
        InvalidateIfWindow(m_hWnd);
        return BTNST_OK;
    }
    auto fail = [this](DWORD code) {
        FreeImages();
        return code;
    };
    ImageSlot& in = m_images[0];
    if (!StoreImage(in, std::move(hoverOwner), hoverTransparent)) return fail(BTNST_INVALIDRESOURCE);
    // The copy is made before the mask turns the see-through pixels black.
    if (toneRequest) {
        const auto tone = rest == DarkerRestRequest() ? core::CopyTone::Darker : core::CopyTone::Grey;
        restOwner = BuildToneCopy(in.bitmap.get(), static_cast<int>(in.width), static_cast<int>(in.height),
                                  hoverTransparent, tone);
        restTransparent = hoverTransparent;
    }
    if (!MaskImage(in)) return fail(BTNST_FAILEDMASK);
    if (restOwner) {
        ImageSlot& out = m_images[1];
        if (!StoreImage(out, std::move(restOwner), restTransparent)) return fail(BTNST_INVALIDRESOURCE);
        if (!MaskImage(out)) return fail(BTNST_FAILEDMASK);
    }
    InvalidateIfWindow(m_hWnd);
    return BTNST_OK;
}

void CButtonST::UseParentBackground(BOOL repaint) {
    m_bTransparent = TRUE;
    ReleaseBackground();
    if (repaint) InvalidateIfWindow(m_hWnd);
}

DWORD CButtonST::ResetColors(BOOL repaint) {
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF text = ::GetSysColor(COLOR_BTNTEXT);
    for (int i = 0; i < 6; i += 2) {
        m_crColors[i] = face;
        m_crColors[i + 1] = text;
    }
    if (repaint) InvalidateIfWindow(m_hWnd);
    return BTNST_OK;
}

DWORD CButtonST::SetPressedShift(BYTE style, BOOL repaint) {
    const auto shift = core::PressedShiftFor(style);
    if (!shift) return BTNST_INVALIDPRESSEDSTYLE;
    m_ptPressShift = {shift->x, shift->y};
    if (repaint) InvalidateIfWindow(m_hWnd);
    return BTNST_OK;
}

DWORD CButtonST::SetChecked(int checked, BOOL repaint) {
    if (m_bCheckBox) {
        m_nChecked = checked ? 1 : 0;
        if (repaint) InvalidateIfWindow(m_hWnd);
    }
    return BTNST_OK;
}

HBITMAP CButtonST::GetSlotBitmap(int slot) const {
    return (slot == 0 || slot == 1) ? m_images[slot].bitmap.get() : nullptr;
}

HBITMAP CButtonST::GetSlotMask(int slot) const { return (slot == 0 || slot == 1) ? m_images[slot].mask.get() : nullptr; }

int CButtonST::OwnedGdiObjects() const {
    int n = 0;
    for (const auto& slot : m_images) n += (slot.bitmap ? 1 : 0) + (slot.mask ? 1 : 0);
    return n + (m_bmpBack ? 1 : 0) + (m_dcBack ? 1 : 0);
}

bool CButtonST::StoreImage(ImageSlot& slot, win::UniqueBitmap bitmap, COLORREF transparent) {
    slot.bitmap = std::move(bitmap);
    slot.transparent = transparent;
    BITMAP bm{};
    HBITMAP h = slot.bitmap.get();
    if (!h || ::GetObjectType(h) != OBJ_BITMAP || ::GetObjectW(h, sizeof(bm), &bm) == 0) return false;
    slot.width = static_cast<DWORD>(bm.bmWidth);
    slot.height = static_cast<DWORD>(bm.bmHeight);
    return true;
}

bool CButtonST::MaskImage(ImageSlot& slot) {
    slot.mask = BuildMask(slot.bitmap.get(), static_cast<int>(slot.width), static_cast<int>(slot.height),
                          slot.transparent);
    return static_cast<bool>(slot.mask);
}

void CButtonST::FreeImages() {
    for (auto& slot : m_icons) slot = IconSlot{};
    for (auto& slot : m_images) slot = ImageSlot{};
}

void CButtonST::ReleaseBackground() {
    if (m_dcBack && m_pOldBack) ::SelectObject(m_dcBack.get(), m_pOldBack);
    m_pOldBack = nullptr;
    m_bmpBack.reset();
    m_dcBack.reset();
}

// ---- Window ---------------------------------------------------------------------------

void CButtonST::PreSubclassWindow() {
    const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    const uint32_t buttonStyle = static_cast<uint32_t>(style) & 0xFFFF;
    if (core::IsCheckBoxStyle(buttonStyle)) m_bCheckBox = TRUE;
    if (core::IsDefaultPushStyle(buttonStyle)) m_bDefault = TRUE;
    ::SetWindowLongW(m_hWnd, GWL_STYLE, static_cast<LONG>(core::OwnerDrawStyle(static_cast<uint32_t>(style))));
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    CButton::PreSubclassWindow();
}

BOOL CButtonST::PreTranslateMessage(MSG* msg) {
    if (!m_ToolTip && m_hWnd) {
        // No tip text is ever registered; the tooltip only sees the traffic.
        m_ToolTip.reset(::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                                          CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, ::GetModuleHandleW(nullptr),
                                          nullptr));
        if (m_ToolTip) {
            ::SendMessageW(m_ToolTip.get(), TTM_ACTIVATE, FALSE, 0);
            ::SendMessageW(m_ToolTip.get(), TTM_SETMAXTIPWIDTH, 0, 400);
        }
    }
    if (m_ToolTip) ::SendMessageW(m_ToolTip.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    // An owner-drawn button reports a fast second click as a double click;
    // as a press it gives a second click notification.
    if (msg->message == WM_LBUTTONDBLCLK) msg->message = WM_LBUTTONDOWN;
    return CButton::PreTranslateMessage(msg);
}

LRESULT CButtonST::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SETCURSOR:
        if (m_hCursor) {
            ::SetCursor(m_hCursor);
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE: {
        const LRESULT r = DefWindowProcChain(msg, wp, lp);
        OnMouseMove(wp, lp);
        return r;
    }
    case WM_MOUSELEAVE:
        EndHover();
        return 0;
    case WM_KILLFOCUS:
    case WM_CANCELMODE: {
        const LRESULT r = DefWindowProcChain(msg, wp, lp);
        EndHover();
        return r;
    }
    case WM_ACTIVATE: {
        const LRESULT r = DefWindowProcChain(msg, wp, lp);
        if (LOWORD(wp) == WA_INACTIVE) EndHover();
        return r;
    }
    case WM_ENABLE: {
        const LRESULT r = DefWindowProcChain(msg, wp, lp);
        if (!wp) {
            HWND parent = GetParent();
            HWND next = ::GetNextDlgTabItem(parent, m_hWnd, FALSE);
            ::SetFocus(next && next != m_hWnd ? next : parent);
            EndHover();
        }
        return r;
    }
    case WM_SYSCOLORCHANGE: {
        const LRESULT r = DefWindowProcChain(msg, wp, lp);
        ReleaseBackground();
        ResetColors(TRUE);
        return r;
    }
    case WM_GETDLGCODE:
        return static_cast<LRESULT>(
            core::ButtonDialogCode(static_cast<uint32_t>(DefWindowProcChain(msg, wp, lp)), m_bDefault != FALSE));
    case BM_SETSTYLE: {
        const auto isDefault = core::DefaultFlagFromSetStyle(static_cast<uint32_t>(wp));
        if (isDefault) m_bDefault = *isDefault ? TRUE : FALSE;
        return DefWindowProcChain(msg, core::OwnerDrawStyle(static_cast<uint32_t>(wp)), lp);
    }
    case BM_SETCHECK:
        SetChecked(core::CheckStateFromButtonState(static_cast<uintptr_t>(wp)), TRUE);
        return 0;
    case BM_GETCHECK:
        return GetChecked();
    case WM_DESTROY: {
        HWND tip = m_ToolTip.release();
        if (tip && ::IsWindow(tip)) ::DestroyWindow(tip);
        break;
    }
    default:
        break;
    }
    return DefWindowProcChain(msg, wp, lp);
}

bool CButtonST::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED) OnClicked();
        return false;  // the parent still gets its notification
    case WM_DRAWITEM:
        DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        *result = TRUE;
        return true;
    default:
        break;
    }
    if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) {
        // Nothing is painted behind the button before it draws itself.
        *result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
        return true;
    }
    return false;
}

void CButtonST::OnClicked() {
    ::SetFocus(m_hWnd);
    if (m_bCheckBox) {
        m_nChecked = m_nChecked ? 0 : 1;
        InvalidateIfWindow(m_hWnd);
    }
}

void CButtonST::OnMouseMove(WPARAM keys, LPARAM pos) {
    POINT pt{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
    ::ClientToScreen(m_hWnd, &pt);
    const bool over = ::WindowFromPoint(pt) == m_hWnd;
    switch (core::HoverOnMouseMove((keys & MK_LBUTTON) != 0, m_bHover != FALSE, over)) {
    case core::HoverStep::Enter: {
        m_bHover = TRUE;
        InvalidateIfWindow(m_hWnd);
        // A fast exit sends no further mouse move here; the leave
        // notification ends the hover then.
        TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, m_hWnd, 0};
        ::_TrackMouseEvent(&tme);
        break;
    }
    case core::HoverStep::Leave:
        EndHover();
        break;
    case core::HoverStep::Nothing:
        break;
    }
}

void CButtonST::EndHover() {
    if (!m_bHover) return;
    m_bHover = FALSE;
    InvalidateIfWindow(m_hWnd);
}

// ---- Drawing ---------------------------------------------------------------------------

void CButtonST::DrawItem(const DRAWITEMSTRUCT* dis) {
    if (!dis || !dis->hDC) return;
    HDC dc = dis->hDC;
    const bool selected = (dis->itemState & ODS_SELECTED) != 0;
    m_bPressed = (selected || (m_bCheckBox && m_nChecked)) ? TRUE : FALSE;
    m_bFocused = (dis->itemState & ODS_FOCUS) ? TRUE : FALSE;
    m_bDisabled = (dis->itemState & ODS_DISABLED) ? TRUE : FALSE;
    const RECT item = dis->rcItem;

    ::SetBkMode(dc, TRANSPARENT);
    if (m_bTransparent) PaintParentBackground(dc);
    else DrawBackground(dc, &item);
    DrawBorder(dc, &item);

    const std::wstring caption = GetWindowText();
    RECT captionRect = item;
    const BOOL hasCaption = caption.empty() ? FALSE : TRUE;
    if (m_icons[0].icon) DrawIconImage(dc, hasCaption, &item, &captionRect, m_bPressed, m_bDisabled);
    if (m_images[0].bitmap) {
        ::SetBkColor(dc, kWhite);
        DrawBitmapImage(dc, hasCaption, &item, &captionRect, m_bPressed, m_bDisabled);
    }
    if (hasCaption) DrawCaption(dc, caption, &item, &captionRect, m_bPressed, m_bDisabled);
    // The focus leaves no mark.
}

void CButtonST::PaintParentBackground(HDC dc) {
    RECT client{};
    GetClientRect(&client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (!m_dcBack) {
        RECT wr{};
        GetWindowRect(&wr);
        ::MapWindowPoints(nullptr, GetParent(), reinterpret_cast<POINT*>(&wr), 2);
        CaptureParentBackground(width, height, {wr.left, wr.top});
    }
    if (m_dcBack) ::BitBlt(dc, 0, 0, width, height, m_dcBack.get(), 0, 0, SRCCOPY);
}

// The parent is asked to erase its own background into the copy, so the
// copy holds the parent's picture even when the screen under the button
// does not show it yet (a button can draw before its parent has painted)
// or shows the button's own erased face.  A parent that erases nothing is
// copied from the screen instead.
bool CButtonST::CaptureParentBackground(int width, int height, POINT origin) {
    HWND parent = GetParent();
    if (!parent || width <= 0 || height <= 0) return false;
    win::ClientDC parentDc(parent);
    if (!parentDc) return false;
    win::UniqueDC dc(::CreateCompatibleDC(parentDc.get()));
    win::UniqueBitmap bitmap(::CreateCompatibleBitmap(parentDc.get(), width, height));
    if (!dc || !bitmap) return false;
    HGDIOBJ old = ::SelectObject(dc.get(), bitmap.get());
    // Parent coordinates, with a pattern brush aligned as on the parent.
    ::SetViewportOrgEx(dc.get(), -origin.x, -origin.y, nullptr);
    ::SetBrushOrgEx(dc.get(), -origin.x, -origin.y, nullptr);
    const LRESULT erased = ::SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
    ::SetViewportOrgEx(dc.get(), 0, 0, nullptr);
    ::SetBrushOrgEx(dc.get(), 0, 0, nullptr);
    if (!erased) ::BitBlt(dc.get(), 0, 0, width, height, parentDc.get(), origin.x, origin.y, SRCCOPY);
    m_dcBack = std::move(dc);
    m_bmpBack = std::move(bitmap);
    m_pOldBack = old;
    return true;
}

DWORD CButtonST::DrawBackground(HDC dc, const RECT* rect) {
    const core::ColourEntries e = core::CaptionColourEntries(m_bHover || m_bPressed, m_bFocused != FALSE);
    FillSolid(dc, *rect, m_crColors[e.background]);
    return BTNST_OK;
}

DWORD CButtonST::DrawBorder(HDC dc, const RECT* rect) {
    const auto look = core::FrameFor(m_bPressed != FALSE, m_bHover != FALSE);
    if (!look) return BTNST_OK;
    const COLORREF first = ToneColour(look->first);
    const COLORREF second = ToneColour(look->second);
    const core::FrameEdges e = core::FrameRects(ToCore(*rect));
    FillSolid(dc, ToWin(e.top), first);
    FillSolid(dc, ToWin(e.left), first);
    FillSolid(dc, ToWin(e.right), second);
    FillSolid(dc, ToWin(e.bottom), second);
    return BTNST_OK;
}

DWORD CButtonST::DrawIconImage(HDC dc, BOOL hasCaption, const RECT* item, RECT* caption, BOOL pressed,
                               BOOL disabled) {
    const int slot = core::ChooseImageSlot(m_bCheckBox, pressed, m_bHover, static_cast<bool>(m_icons[1].icon));
    const IconSlot& icon = m_icons[slot];
    if (!icon.icon) return BTNST_OK;
    const auto placed = core::PlaceImage(ToCore(*item), ToCore(*caption), static_cast<int>(icon.width),
                                         static_cast<int>(icon.height), hasCaption != FALSE, pressed != FALSE,
                                         m_bCheckBox != FALSE, {m_ptPressShift.x, m_ptPressShift.y});
    *caption = ToWin(placed.caption);
    ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon.icon.get()), 0, placed.image.left,
                 placed.image.top, static_cast<int>(icon.width), static_cast<int>(icon.height),
                 DST_ICON | (disabled ? DSS_DISABLED : DSS_NORMAL));
    return BTNST_OK;
}

DWORD CButtonST::DrawBitmapImage(HDC dc, BOOL hasCaption, const RECT* item, RECT* caption, BOOL pressed,
                                 BOOL disabled) {
    const int slot = core::ChooseImageSlot(m_bCheckBox, pressed, m_bHover, static_cast<bool>(m_images[1].bitmap));
    const ImageSlot& image = m_images[slot];
    if (!image.bitmap || !image.mask) return BTNST_OK;
    const int w = static_cast<int>(image.width);
    const int h = static_cast<int>(image.height);
    const auto placed = core::PlaceImage(ToCore(*item), ToCore(*caption), w, h, hasCaption != FALSE,
                                         pressed != FALSE, m_bCheckBox != FALSE, {m_ptPressShift.x, m_ptPressShift.y});
    *caption = ToWin(placed.caption);

    RECT client{};
    GetClientRect(&client);
    const int cw = client.right - client.left;
    const int ch = client.bottom - client.top;
    win::UniqueDC bitmapDc(::CreateCompatibleDC(dc));
    win::UniqueDC maskDc(::CreateCompatibleDC(dc));
    if (!bitmapDc || !maskDc) return BTNST_OK;
    win::SelectGuard bitmapSel(bitmapDc.get(), image.bitmap.get());
    win::SelectGuard maskSel(maskDc.get(), image.mask.get());

    // Mask and bitmap are stretched alike, line for line, so the see-through
    // pixels of both stay in register.
    auto compose = [&](HDC target, int x, int y) {
        const int oldMode = ::SetStretchBltMode(target, COLORONCOLOR);
        // The mask's white bits must leave the target alone under SRCAND
        // and its black bits clear it.
        const COLORREF oldBk = ::SetBkColor(target, kWhite);
        const COLORREF oldText = ::SetTextColor(target, kBlack);
        ::StretchBlt(target, x, y, cw, ch, maskDc.get(), 0, 0, w, h, SRCAND);
        ::StretchBlt(target, x, y, cw, ch, bitmapDc.get(), 0, 0, w, h, SRCPAINT);
        ::SetTextColor(target, oldText);
        ::SetBkColor(target, oldBk);
        ::SetStretchBltMode(target, oldMode);
    };
    if (!disabled) {
        compose(dc, client.left, client.top);
        return BTNST_OK;
    }
    win::UniqueDC tempDc(::CreateCompatibleDC(dc));
    win::UniqueBitmap temp(::CreateCompatibleBitmap(dc, cw, ch));
    if (!tempDc || !temp) return BTNST_OK;
    {
        win::SelectGuard tempSel(tempDc.get(), temp.get());
        ::PatBlt(tempDc.get(), 0, 0, cw, ch, WHITENESS);
        compose(tempDc.get(), 0, 0);
    }
    ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(temp.get()), 0, client.left, client.top, cw, ch,
                 DST_BITMAP | DSS_DISABLED);
    return BTNST_OK;
}

DWORD CButtonST::DrawCaption(HDC dc, const std::wstring& caption, const RECT* item, RECT* captionRect, BOOL pressed,
                             BOOL disabled) {
    (void)item;
    if (pressed && !m_bCheckBox) ::OffsetRect(captionRect, m_ptPressShift.x, m_ptPressShift.y);
    const RECT before = *captionRect;
    RECT measured = before;
    const int length = static_cast<int>(caption.size());
    ::DrawTextW(dc, caption.c_str(), length, &measured, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
    RECT centred = ToWin(core::CentreMeasured(ToCore(before), ToCore(measured)));
    *captionRect = centred;
    ::SetBkMode(dc, TRANSPARENT);
    if (disabled) {
        RECT shifted = centred;
        ::OffsetRect(&shifted, 1, 1);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
        ::DrawTextW(dc, caption.c_str(), length, &shifted, DT_WORDBREAK | DT_CENTER);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
        ::DrawTextW(dc, caption.c_str(), length, &centred, DT_WORDBREAK | DT_CENTER);
        return BTNST_OK;
    }
    const core::ColourEntries e = core::CaptionColourEntries(m_bHover || pressed, m_bFocused != FALSE);
    ::SetTextColor(dc, m_crColors[e.text]);
    ::SetBkColor(dc, m_crColors[e.background]);
    ::DrawTextW(dc, caption.c_str(), length, &centred, DT_WORDBREAK | DT_CENTER);
    return BTNST_OK;
}
