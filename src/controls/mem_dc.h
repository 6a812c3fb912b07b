// An off-screen drawing context over a target context: everything drawn into
// it appears on the target in one copy when it goes out of scope, so a
// control that paints in several passes never shows the passes.
#pragma once
#include <windows.h>

#include "win/unique.h"
#include "win/wnd.h"

class CMemDC : public CDC {
public:
    // A printer target is drawn on directly (it has no screen to flicker);
    // so is any target for which no memory context or bitmap can be had.
    explicit CMemDC(CDC* target);
    // For a bare handle, a raster printer is recognised by its technology.
    explicit CMemDC(HDC target);
    ~CMemDC() override;

    // The clip box of the target, in its logical coordinates: the part that
    // is drawn and copied.
    const RECT& GetRect() const { return m_rect; }
    bool IsOffScreen() const { return m_bMemDC; }

private:
    void Begin(HDC target, HDC attrib, bool printing);

    win::UniqueDC m_memDC;
    win::UniqueBitmap m_bitmap;
    HGDIOBJ m_oldBitmap = nullptr;
    HDC m_target = nullptr;  // not owned
    RECT m_rect{};
    bool m_bMemDC = false;
};
