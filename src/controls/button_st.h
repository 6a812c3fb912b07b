// Owner-drawn bitmap push button of the left panel: a hover bitmap and a
// rest bitmap with one see-through colour each, drawn over a copy of the
// parent's background, flat with a one-pixel frame while hovered or held.
#pragma once
#include <windows.h>

#include <string>

#include "win/unique.h"
#include "win/wnd.h"

class CButtonST : public CButton {
public:
    CButtonST();
    ~CButtonST() override;

    // Result codes of the operations below.
    enum : DWORD { BTNST_OK = 0, BTNST_INVALIDRESOURCE = 1, BTNST_FAILEDMASK = 2, BTNST_INVALIDPRESSEDSTYLE = 6 };
    // Rest-bitmap arguments asking for a copy of the hover bitmap instead.
    static constexpr int kGreyRest = -2;
    static constexpr int kDarkerRest = -3;
    static HBITMAP GreyRestRequest() { return reinterpret_cast<HBITMAP>(static_cast<INT_PTR>(kGreyRest)); }
    static HBITMAP DarkerRestRequest() { return reinterpret_cast<HBITMAP>(static_cast<INT_PTR>(kDarkerRest)); }

    // Loads both bitmaps from the program's resources (rest ID 0: none; -2 and
    // -3: grey and darker copies of the hover bitmap).
    DWORD SetStateBitmaps(int hoverId, COLORREF hoverTransparent, int restId, COLORREF restTransparent);
    // The button takes ownership of both handles, also when it fails.
    DWORD SetStateBitmaps(HBITMAP hover, COLORREF hoverTransparent, HBITMAP rest, COLORREF restTransparent);
    // Draws the parent's background behind the bitmaps from now on; the copy
    // of it is made afresh at the next drawing.
    void UseParentBackground(BOOL repaint);
    DWORD ResetColors(BOOL repaint);
    DWORD SetPressedShift(BYTE style, BOOL repaint);
    DWORD SetChecked(int checked, BOOL repaint);
    int GetChecked() const { return m_nChecked; }

    // State, for the window's thread.
    BOOL IsHovered() const { return m_bHover; }
    BOOL IsCheckBox() const { return m_bCheckBox; }
    BOOL IsDefault() const { return m_bDefault; }
    BOOL UsesParentBackground() const { return m_bTransparent; }
    POINT GetPressedShift() const { return m_ptPressShift; }
    COLORREF GetColor(int index) const { return (index >= 0 && index < 6) ? m_crColors[index] : 0; }
    HBITMAP GetSlotBitmap(int slot) const;
    HBITMAP GetSlotMask(int slot) const;
    bool HasBackgroundCopy() const { return static_cast<bool>(m_bmpBack); }
    // GDI objects the button holds right now (bitmaps, masks, the copy of
    // the background and its context); a soak test watches it stay flat.
    int OwnedGdiObjects() const;

    // Failure points of the bitmap preparation, replaceable by tests.
    struct GdiCalls {
        HBITMAP (*createMask)(int width, int height);
    };
    static GdiCalls s_gdi;
    static const GdiCalls kRealGdi;

protected:
    void PreSubclassWindow() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

    virtual void DrawItem(const DRAWITEMSTRUCT* dis);
    // The stages of DrawItem, in the order it runs them.
    virtual DWORD DrawBackground(HDC dc, const RECT* rect);
    virtual DWORD DrawBorder(HDC dc, const RECT* rect);
    virtual DWORD DrawIconImage(HDC dc, BOOL hasCaption, const RECT* item, RECT* caption, BOOL pressed, BOOL disabled);
    virtual DWORD DrawBitmapImage(HDC dc, BOOL hasCaption, const RECT* item, RECT* caption, BOOL pressed,
                                  BOOL disabled);
    virtual DWORD DrawCaption(HDC dc, const std::wstring& caption, const RECT* item, RECT* captionRect, BOOL pressed,
                              BOOL disabled);

private:
    struct IconSlot {
        win::UniqueIcon icon;
        DWORD width = 0;
        DWORD height = 0;
    };
    struct ImageSlot {
        win::UniqueBitmap bitmap;
        DWORD width = 0;
        DWORD height = 0;
        win::UniqueBitmap mask;
        COLORREF transparent = 0;
    };

    void PaintParentBackground(HDC dc);
    bool CaptureParentBackground(int width, int height, POINT origin);
    void ReleaseBackground();
    void FreeImages();
    void EndHover();
    void OnMouseMove(WPARAM keys, LPARAM pos);
    void OnClicked();
    // Takes the bitmap into the slot and reads its size; false when it is
    // no readable bitmap.
    static bool StoreImage(ImageSlot& slot, win::UniqueBitmap bitmap, COLORREF transparent);
    static bool MaskImage(ImageSlot& slot);

    POINT m_ptPressShift{1, 1};
    BOOL m_bHover = FALSE;
    BOOL m_bTransparent = FALSE;
    BOOL m_bPressed = FALSE;
    BOOL m_bFocused = FALSE;
    BOOL m_bDisabled = FALSE;
    BOOL m_bDefault = FALSE;
    BOOL m_bCheckBox = FALSE;
    COLORREF m_crColors[6]{};
    HCURSOR m_hCursor = nullptr;  // shared system cursor, not owned
    win::UniqueWindow m_ToolTip;
    win::UniqueDC m_dcBack;
    win::UniqueBitmap m_bmpBack;
    HGDIOBJ m_pOldBack = nullptr;
    int m_nChecked = 0;
    IconSlot m_icons[2];
    ImageSlot m_images[2];
};
