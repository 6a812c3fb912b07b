#include "controls/new_static.h"

#include "core/control_rules.h"

namespace {
// Hands a text change to the window's own thread.  lParam: the std::wstring*
// that SetText has announced in m_pendingText.
UINT SetTextMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"PrinterInstall.CNewStatic.SetText");
    return message;
}
}  // namespace

CNewStatic::CNewStatic() : m_crText(core::kLabelDefaultColour) {}

CNewStatic::~CNewStatic() = default;

void CNewStatic::PreSubclassWindow() {
    const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    if (!(style & SS_NOTIFY)) {
        ::SetWindowLongW(m_hWnd, GWL_STYLE, style | SS_NOTIFY);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    m_strText = GetWindowText();
    CStatic::PreSubclassWindow();
}

void CNewStatic::SetText(std::wstring text) {
    HWND wnd = m_hWnd;
    if (wnd && ::GetWindowThreadProcessId(wnd, nullptr) != ::GetCurrentThreadId()) {
        // Answered only by our window procedure; 0 means the window is gone,
        // and then no paint can overlap the change made here.  The window's
        // thread never takes the lock, so holding it while waiting is safe.
        std::lock_guard<std::mutex> hold(m_handOver);
        m_pendingText = &text;
        const LRESULT taken = ::SendMessageW(wnd, SetTextMessage(), 0, reinterpret_cast<LPARAM>(&text));
        m_pendingText = nullptr;
        if (taken) return;
    }
    ReplaceText(std::move(text));
}

void CNewStatic::ReplaceText(std::wstring text) {
    m_strOldText = std::move(m_strText);
    m_strText = std::move(text);
}

void CNewStatic::DrawTextInColour(COLORREF colour) {
    m_crText = colour;
    if (m_hWnd) Draw(colour);
}

void CNewStatic::CreateLabelFont() {
    m_font.reset();
    HFONT parentFont = GetParentFont();
    if (!parentFont) return;  // tried again at the next paint
    LOGFONTW lf{};
    if (::GetObjectW(parentFont, sizeof(lf), &lf) != static_cast<int>(sizeof(lf))) return;
    lf.lfHeight = core::ScaleLabelFontDimension(lf.lfHeight);
    lf.lfWidth = core::ScaleLabelFontDimension(lf.lfWidth);
    lf.lfWeight = core::kLabelFontWeight;
    ::lstrcpynW(lf.lfFaceName, core::kLabelFontFace, LF_FACESIZE);
    m_font.reset(::CreateFontIndirectW(&lf));
    m_bFontReady = m_font ? TRUE : FALSE;
}

void CNewStatic::Draw(COLORREF colour) {
    // Through the client area rather than the paint context, so that a
    // direct call outside WM_PAINT draws the same picture.
    win::ClientDC client(m_hWnd);
    HDC dc = client.get();
    if (!dc) return;
    win::SelectGuard font(dc, m_font.get());
    auto extent = [dc](const std::wstring& s) {
        SIZE size{};
        if (!s.empty()) ::GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &size);
        return size;
    };
    m_sizeOldText = extent(m_strOldText);
    SIZE skipped{};
    if (m_strDrawnText != m_strText && m_strDrawnText != m_strOldText) skipped = extent(m_strDrawnText);
    ::SetBkMode(dc, TRANSPARENT);
    // The control does not erase its background, so the previous text is
    // wiped in the context's own background colour before the new one.
    const core::Extent wipe = core::WipeExtent({m_sizeOldText.cx, m_sizeOldText.cy}, {skipped.cx, skipped.cy});
    if (wipe.cx > 0 && wipe.cy > 0) {
        const RECT r{0, 0, wipe.cx, wipe.cy};
        ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    }
    m_crText = colour;
    ::SetTextColor(dc, colour);
    ::TextOutW(dc, 0, 0, m_strText.c_str(), static_cast<int>(m_strText.size()));
    m_strDrawnText = m_strText;
}

LRESULT CNewStatic::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == SetTextMessage()) {
        // Taken once: the announced pointer is cleared as it is used.
        std::wstring* pending = reinterpret_cast<std::wstring*>(lp);
        if (pending && m_pendingText.compare_exchange_strong(pending, nullptr)) ReplaceText(std::move(*pending));
        return 1;
    }
    switch (msg) {
    case WM_PAINT: {
        win::PaintDC paint(m_hWnd);
        if (!m_bFontReady) CreateLabelFont();
        Draw(m_crText);
        return 0;
    }
    case WM_DESTROY: {
        LRESULT r = DefWindowProcChain(msg, wp, lp);
        m_bFontReady = FALSE;
        m_font.reset();
        return r;
    }
    default:
        return DefWindowProcChain(msg, wp, lp);
    }
}
