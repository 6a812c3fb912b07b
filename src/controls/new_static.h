// Label that draws its text itself: one line from the top-left corner, in a
// larger semi-bold font made from the dialog's font, in a colour of its own.
#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>

#include "win/unique.h"
#include "win/wnd.h"

class CNewStatic : public CStatic {
public:
    CNewStatic();
    ~CNewStatic() override;

    // Replaces the text; it shows at the next paint, which callers cause by
    // invalidating the control.  Safe from any thread: from a thread other
    // than the window's, the change is handed to the window's thread and
    // this call returns once it is made, so it never overlaps a paint.
    void SetText(std::wstring text);
    // Keeps the colour for every later paint and draws the text at once (a
    // hidden control shows nothing, so there it only records the colour).
    void DrawTextInColour(COLORREF colour);

    // For the window's thread.
    const std::wstring& GetText() const { return m_strText; }
    const std::wstring& GetOldText() const { return m_strOldText; }
    COLORREF GetTextColour() const { return m_crText; }
    // The label's own font once the first paint has made it, else null.
    HFONT GetLabelFont() const { return m_bFontReady ? m_font.get() : nullptr; }

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void CreateLabelFont();
    void Draw(COLORREF colour);
    void ReplaceText(std::wstring text);

    std::wstring m_strText;
    std::wstring m_strOldText;
    win::UniqueFont m_font;
    SIZE m_sizeOldText{};
    BOOL m_bFontReady = FALSE;
    COLORREF m_crText;
    // The text of the last drawing.  When two changes come between paints it
    // is neither the current nor the previous text, and is wiped as well, so
    // nothing of it stays on screen.
    std::wstring m_strDrawnText;
    // The text a SetText from another thread is handing over right now.  The
    // window takes only that pointer from its hand-over message, so a
    // message sent from elsewhere cannot make it read foreign memory; one
    // hand-over at a time.
    std::mutex m_handOver;
    std::atomic<std::wstring*> m_pendingText{nullptr};
};
