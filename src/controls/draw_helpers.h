// Small drawing helpers the drawn controls share.
#pragma once
#include <windows.h>

#include "core/control_rules.h"

namespace controls {

inline core::Rect ToCore(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
inline RECT ToWin(const core::Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

// A solid fill the way text output does it: no brush to make or free.  The
// context's background colour is left as it was.
inline void FillSolid(HDC dc, const RECT& r, COLORREF colour) {
    const COLORREF old = ::SetBkColor(dc, colour);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    ::SetBkColor(dc, old);
}

}  // namespace controls
