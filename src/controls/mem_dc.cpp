#include "controls/mem_dc.h"

CMemDC::CMemDC(CDC* target) {
    if (target) Begin(target->m_hDC, target->m_hAttribDC ? target->m_hAttribDC : target->m_hDC, target->IsPrinting());
}

CMemDC::CMemDC(HDC target) {
    if (target) Begin(target, target, ::GetDeviceCaps(target, TECHNOLOGY) == DT_RASPRINTER);
}

void CMemDC::Begin(HDC target, HDC attrib, bool printing) {
    m_target = target;
    if (!printing) {
        ::GetClipBox(target, &m_rect);
        win::UniqueDC mem(::CreateCompatibleDC(target));
        win::UniqueBitmap bitmap;
        if (mem) bitmap.reset(::CreateCompatibleBitmap(target, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top));
        if (mem && bitmap) {
            m_oldBitmap = ::SelectObject(mem.get(), bitmap.get());
            // Same logical coordinates as on the target.
            ::SetWindowOrgEx(mem.get(), m_rect.left, m_rect.top, nullptr);
            m_memDC = std::move(mem);
            m_bitmap = std::move(bitmap);
            m_hDC = m_hAttribDC = m_memDC.get();
            m_bMemDC = true;
            return;
        }
    }
    // Straight onto the target: shared handles, released by nobody here.
    m_hDC = target;
    m_hAttribDC = attrib;
    m_bPrinting = printing;
    m_bMemDC = false;
}

CMemDC::~CMemDC() {
    if (m_bMemDC) {
        ::BitBlt(m_target, m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top,
                 m_memDC.get(), m_rect.left, m_rect.top, SRCCOPY);
        ::SelectObject(m_memDC.get(), m_oldBitmap);
    }
    m_hDC = m_hAttribDC = nullptr;
    // m_bitmap and m_memDC free themselves, the bitmap no longer selected.
}
