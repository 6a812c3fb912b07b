#include "core/control_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace core {

int TruncToInt(double v) {
    if (std::isnan(v)) return 0;
    constexpr double lo = static_cast<double>(std::numeric_limits<int>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<int>::max());
    if (v <= lo) return std::numeric_limits<int>::min();
    if (v >= hi) return std::numeric_limits<int>::max();
    return static_cast<int>(v);  // truncates towards zero
}

namespace {
int ClampToInt(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}
}  // namespace

double ProgressFraction(int pos, int lower, int upper) {
    if (lower == upper) return 0.0;
    const double done = static_cast<double>(pos) - static_cast<double>(lower);
    const double span = static_cast<double>(upper) - static_cast<double>(lower);
    return done / span;
}

bool ProgressRangeDrawable(int lower, int upper) { return lower < upper; }

int ProgressBarWidth(int clientWidth, double fraction) { return TruncToInt(clientWidth * fraction); }

int ProgressPercent(double fraction) { return TruncToInt(fraction * 100.0); }

std::wstring ProgressText(const std::wstring& prefix, int percent) {
    return prefix + std::to_wstring(percent) + L"%";
}

ProgressSplit SplitProgress(const Rect& client, double fraction) {
    ProgressSplit s;
    s.bar = client;
    s.bar.right = ClampToInt(static_cast<int64_t>(client.left) + ProgressBarWidth(client.Width(), fraction) + 1);
    s.rest = client;
    s.rest.left = ClampToInt(static_cast<int64_t>(s.bar.right) - 1);
    return s;
}

bool IsCheckBoxStyle(uint32_t style) { return (style & kBsCheckBoxBit) != 0; }

bool IsDefaultPushStyle(uint32_t style) { return (style & kBsTypeMask) == kBsDefPushButton; }

uint32_t OwnerDrawStyle(uint32_t style) { return (style & ~kBsTypeMask) | kBsOwnerDraw; }

std::optional<bool> DefaultFlagFromSetStyle(uint32_t requestedStyle) {
    switch (requestedStyle & kBsTypeMask) {
    case kBsDefPushButton:
        return true;
    case kBsPushButton:
        return false;
    default:
        return std::nullopt;
    }
}

uint32_t ButtonDialogCode(uint32_t defaultCode, bool isDefault) {
    return defaultCode | (isDefault ? kDlgcDefPushButton : kDlgcUndefPushButton);
}

int CheckStateFromButtonState(uintptr_t state) {
    return (state == kBstChecked || state == kBstIndeterminate) ? 1 : 0;
}

std::optional<Point> PressedShiftFor(int style) {
    switch (style) {
    case 0:
        return Point{1, 1};
    case 1:
        return Point{0, 2};
    default:
        return std::nullopt;
    }
}

int ChooseImageSlot(bool checkBoxMode, bool pressed, bool hovered, bool restSlotSet) {
    const bool lit = checkBoxMode ? pressed : (pressed || hovered);
    if (lit) return 0;
    return restSlotSet ? 1 : 0;
}

ImagePlacement PlaceImage(const Rect& item, const Rect& caption, int imageWidth, int imageHeight, bool hasCaption,
                          bool pressed, bool checkBoxMode, Point pressedShift) {
    ImagePlacement p{item, caption};
    if (!hasCaption) {
        p.image.left += (item.Width() - imageWidth) / 2;
    } else {
        p.image.left += kImageCaptionMargin;
        p.caption.left += imageWidth + kImageCaptionMargin;
    }
    p.image.top += (item.Height() - imageHeight) / 2;
    if (pressed && !checkBoxMode) {
        p.image.left += pressedShift.x;
        p.image.right += pressedShift.x;
        p.image.top += pressedShift.y;
        p.image.bottom += pressedShift.y;
    }
    return p;
}

std::optional<FrameLook> FrameFor(bool pressed, bool hovered) {
    if (pressed) return FrameLook{FrameTone::Shadow, FrameTone::Highlight};
    if (hovered) return FrameLook{FrameTone::Highlight, FrameTone::Shadow};
    return std::nullopt;
}

FrameEdges FrameRects(const Rect& r) {
    FrameEdges e;
    e.top = {r.left, r.top, r.right - 1, r.top + 1};
    e.left = {r.left, r.top, r.left + 1, r.bottom - 1};
    e.right = {r.right - 1, r.top, r.right, r.bottom};
    e.bottom = {r.left, r.bottom - 1, r.right, r.bottom};
    return e;
}

ColourEntries CaptionColourEntries(bool hoveredOrPressed, bool focused) {
    if (hoveredOrPressed) return {0, 1};
    if (focused) return {4, 5};
    return {2, 3};
}

Rect CentreMeasured(const Rect& before, const Rect& measured) {
    const int dx = (before.Width() - measured.Width()) / 2;
    const int dy = (before.Height() - measured.Height()) / 2;
    return {measured.left + dx, measured.top + dy, measured.right + dx, measured.bottom + dy};
}

uint32_t CopyPixel(uint32_t colour, uint32_t transparent, CopyTone tone) {
    if (colour == transparent) return colour;
    const uint32_t r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    if (tone == CopyTone::Darker) {
        auto darker = [](uint32_t c) { return static_cast<uint32_t>(TruncToInt(c - 0.25 * c)); };
        return darker(r) | (darker(g) << 8) | (darker(b) << 16);
    }
    const uint32_t grey = static_cast<uint32_t>(TruncToInt(0.299 * r + 0.587 * g + 0.114 * b));
    return grey | (grey << 8) | (grey << 16);
}

HoverStep HoverOnMouseMove(bool leftButtonDown, bool hovered, bool overThisButton) {
    // Dragging onto the button with the left button held must not light it.
    if (leftButtonDown && !hovered) return HoverStep::Nothing;
    if (overThisButton) return hovered ? HoverStep::Nothing : HoverStep::Enter;
    return hovered ? HoverStep::Leave : HoverStep::Nothing;
}

int ScaleLabelFontDimension(int dialogFontDimension) { return TruncToInt(dialogFontDimension * 1.5); }

Extent WipeExtent(Extent previousText, Extent lastDrawnText) {
    return {std::max(previousText.cx, lastDrawnText.cx), std::max(previousText.cy, lastDrawnText.cy)};
}

}  // namespace core
