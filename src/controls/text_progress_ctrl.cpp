#include "controls/text_progress_ctrl.h"

#include "controls/mem_dc.h"
#include "controls/draw_helpers.h"
#include "core/control_rules.h"
#include "win/unique.h"

namespace {
using controls::FillSolid;
using controls::ToCore;
using controls::ToWin;
constexpr COLORREF kLightBlue = 0x00F0AAAA;

// Clip regions are in device units; the off-screen context has its origin
// moved to the clip box, so the logical rectangle is converted first.
win::UniqueRegion DeviceRegion(HDC dc, RECT r) {
    ::LPtoDP(dc, reinterpret_cast<POINT*>(&r), 2);
    return win::UniqueRegion(::CreateRectRgnIndirect(&r));
}
}  // namespace

CTextProgressCtrl::CTextProgressCtrl()
    : m_crBar(::GetSysColor(COLOR_HIGHLIGHT)),
      m_crBackground(kLightBlue),
      m_crTextOnBackground(::GetSysColor(COLOR_HIGHLIGHT)),
      m_crTextOnBar(::GetSysColor(COLOR_WINDOW)) {}

CTextProgressCtrl::~CTextProgressCtrl() = default;

void CTextProgressCtrl::SetRange(int lower, int upper) {
    m_nMin = lower;
    m_nMax = upper;
}

void CTextProgressCtrl::SetPrefix(const std::wstring& prefix) { m_strPrefix = prefix; }

std::wstring CTextProgressCtrl::GetDisplayText() const {
    return core::ProgressText(m_strPrefix, core::ProgressPercent(core::ProgressFraction(m_nPos, m_nMin, m_nMax)));
}

int CTextProgressCtrl::SetPos(int pos) {
    if (!m_hWnd || !::IsWindow(m_hWnd)) return -1;
    const int old = m_nPos;
    m_nPos = pos;
    RECT rc{};
    GetClientRect(&rc);
    const int width = core::ProgressBarWidth(rc.right - rc.left, core::ProgressFraction(m_nPos, m_nMin, m_nMax));
    // A timer that sets the same position again and again costs nothing;
    // the percentage shown changes only with the bar's width.
    if (width != m_nBarWidth) {
        m_nBarWidth = width;
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    return old;
}

LRESULT CTextProgressCtrl::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND:
        return TRUE;  // the paint covers every pixel
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SIZE: {
        LRESULT r = DefWindowProcChain(msg, wp, lp);
        m_nBarWidth = -1;
        return r;
    }
    case WM_CREATE: {
        LRESULT r = DefWindowProcChain(msg, wp, lp);
        return r == -1 ? -1 : 0;
    }
    default:
        return DefWindowProcChain(msg, wp, lp);
    }
}

void CTextProgressCtrl::OnPaint() {
    // Begun before the range test: an empty range draws nothing but still
    // validates the update region, or Windows would ask again forever.
    win::PaintDC paint(m_hWnd);
    if (!core::ProgressRangeDrawable(m_nMin, m_nMax) || !paint.get()) return;
    RECT client{};
    GetClientRect(&client);
    const double fraction = core::ProgressFraction(m_nPos, m_nMin, m_nMax);

    CMemDC mem(paint.get());
    HDC dc = mem.GetSafeHdc();
    const core::ProgressSplit split = core::SplitProgress(ToCore(client), fraction);
    const RECT bar = ToWin(split.bar);
    const RECT rest = ToWin(split.rest);
    FillSolid(dc, bar, m_crBar);
    FillSolid(dc, rest, m_crBackground);

    const std::wstring text = core::ProgressText(m_strPrefix, core::ProgressPercent(fraction));
    win::SelectGuard font(dc, GetParentFont());
    ::SetBkMode(dc, TRANSPARENT);
    // The same text twice, each clipped to one side of the bar's edge, so
    // the characters change colour exactly where the bar ends.
    const struct {
        RECT clip;
        COLORREF colour;
    } passes[] = {{bar, m_crTextOnBar}, {rest, m_crTextOnBackground}};
    for (const auto& pass : passes) {
        win::UniqueRegion region = DeviceRegion(dc, pass.clip);
        ::SelectClipRgn(dc, region.get());
        ::SetTextColor(dc, pass.colour);
        RECT r = client;
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    ::SelectClipRgn(dc, nullptr);
}
