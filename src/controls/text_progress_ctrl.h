// Progress bar that shows a prefix and the percentage over the bar, in two
// colours split at the bar's edge.  It takes over a standard progress
// control and paints all of it; the native control is never told the range
// or the position.
#pragma once
#include <windows.h>

#include <string>

#include "win/wnd.h"

class CTextProgressCtrl : public CProgressCtrl {
public:
    CTextProgressCtrl();
    ~CTextProgressCtrl() override;

    // Stores the range; nothing is redrawn.
    void SetRange(int lower, int upper);
    // Stores the position and repaints at once when the bar's pixel width
    // changes.  Returns the previous position, or -1 without a window.
    int SetPos(int pos);
    // Stores the text drawn before the percentage; shown at the next paint.
    void SetPrefix(const std::wstring& prefix);

    int GetPos() const { return m_nPos; }
    const std::wstring& GetPrefix() const { return m_strPrefix; }
    // The text the control shows now: the prefix and the percentage.
    std::wstring GetDisplayText() const;
    int GetBarWidth() const { return m_nBarWidth; }
    COLORREF GetBarColour() const { return m_crBar; }
    COLORREF GetBackgroundColour() const { return m_crBackground; }
    COLORREF GetTextOnBarColour() const { return m_crTextOnBar; }
    COLORREF GetTextOnBackgroundColour() const { return m_crTextOnBackground; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void OnPaint();

    int m_nPos = 0;
    int m_nMax = 100;
    int m_nMin = 0;
    std::wstring m_strPrefix;
    // Width of the bar at the last position change; -1 until measured, so
    // the next position change redraws.
    int m_nBarWidth = -1;
    // Read once: a later change of the system colours does not reach an
    // existing control.
    COLORREF m_crBar;
    COLORREF m_crBackground;
    COLORREF m_crTextOnBackground;
    COLORREF m_crTextOnBar;
};
