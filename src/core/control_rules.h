// Geometry, colour and state rules of the drawn controls (progress bar with
// text, bitmap button, coloured label) that need no window to be decided.
// Colours are 0x00BBGGRR values; rectangles are left/top inclusive and
// right/bottom exclusive, as Windows keeps them.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace core {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

// Truncation towards zero that never overflows: out-of-range values stick to
// the int limits and NaN gives 0.
int TruncToInt(double v);

// ---- Progress bar with text ------------------------------------------------

// (pos - lower) / (upper - lower), both differences taken as doubles.  Equal
// ends have no meaningful fraction; they give 0 so that the bar stays empty
// instead of dividing by zero.
double ProgressFraction(int pos, int lower, int upper);
// Only a range whose lower end lies below the upper end is drawn.
bool ProgressRangeDrawable(int lower, int upper);
// Width of the filled part: client width x fraction, truncated.
int ProgressBarWidth(int clientWidth, double fraction);
// The percentage shown: fraction x 100, truncated (not an integer division,
// so 29 of 0..100 shows 28 because 0.29 x 100 is 28.999...).
int ProgressPercent(double fraction);
// Prefix followed by the percentage and "%".
std::wstring ProgressText(const std::wstring& prefix, int percent);

// The two fills of the bar: the bar part is one column wider than the bar
// and the rest starts on that extra column, so on screen the bar covers
// exactly ProgressBarWidth pixels from the left.
struct ProgressSplit {
    Rect bar;
    Rect rest;
};
ProgressSplit SplitProgress(const Rect& client, double fraction);

// ---- Bitmap button ----------------------------------------------------------

// Button style bits, with the values Windows gives them.
constexpr uint32_t kBsPushButton = 0x0, kBsDefPushButton = 0x1, kBsCheckBoxBit = 0x2, kBsOwnerDraw = 0xB;
constexpr uint32_t kBsTypeMask = 0x1F;
constexpr uint32_t kDlgcDefPushButton = 0x10, kDlgcUndefPushButton = 0x20;
constexpr uint32_t kBstChecked = 0x1, kBstIndeterminate = 0x2;

// Bit test, as the button does it: every type with bit value 2 counts.
bool IsCheckBoxStyle(uint32_t style);
bool IsDefaultPushStyle(uint32_t style);
// The style with its type replaced by owner-drawn.
uint32_t OwnerDrawStyle(uint32_t style);
// What BM_SETSTYLE with this style means for the default flag: true/false
// for the two push-button types, nothing for any other type.
std::optional<bool> DefaultFlagFromSetStyle(uint32_t requestedStyle);
// WM_GETDLGCODE answer of the button.
uint32_t ButtonDialogCode(uint32_t defaultCode, bool isDefault);
// BM_SETCHECK's state as the button's 0/1 check state.
int CheckStateFromButtonState(uintptr_t state);

// Result codes of the bitmap button's operations.
enum ButtonResult : uint32_t {
    kButtonOk = 0,
    kButtonSizeUnreadable = 1,
    kButtonNoMask = 2,
    kButtonUnknownStyle = 6,
};

// Pressed shift of a pressed style: 0 -> (1, 1), 1 -> (0, 2).
std::optional<Point> PressedShiftFor(int style);

// Image slot the button draws: slot 0 holds the hover bitmap, slot 1 the
// rest bitmap.
int ChooseImageSlot(bool checkBoxMode, bool pressed, bool hovered, bool restSlotSet);

struct ImagePlacement {
    Rect image;
    Rect caption;
};
// Where an image of the given size goes in the item rectangle, and how the
// caption rectangle moves to make room for it.
ImagePlacement PlaceImage(const Rect& item, const Rect& caption, int imageWidth, int imageHeight, bool hasCaption,
                          bool pressed, bool checkBoxMode, Point pressedShift);
constexpr int kImageCaptionMargin = 3;

// The one-pixel frame.  The first colour takes the top row and left column
// (each one pixel short), the second the whole right column and bottom row.
enum class FrameTone { Highlight, Shadow };
struct FrameLook {
    FrameTone first;
    FrameTone second;
};
// Sunken while pressed, raised while only hovered, none otherwise.
std::optional<FrameLook> FrameFor(bool pressed, bool hovered);
struct FrameEdges {
    Rect top, left;     // first colour
    Rect right, bottom; // second colour
};
FrameEdges FrameRects(const Rect& item);

// Colour table entries: 0/1 hovered or pressed, 2/3 at rest, 4/5 focused
// (background/text).
struct ColourEntries {
    int background;
    int text;
};
ColourEntries CaptionColourEntries(bool hoveredOrPressed, bool focused);

// A measured caption rectangle moved so that it is centred in the rectangle
// it was measured in.
Rect CentreMeasured(const Rect& before, const Rect& measured);

// Pixel rules of the darker and grey copies; pixels of the transparent
// colour are kept as they are.
enum class CopyTone { Darker, Grey };
uint32_t CopyPixel(uint32_t colour, uint32_t transparent, CopyTone tone);

// Hover tracking on a mouse move over the button.
enum class HoverStep { Nothing, Enter, Leave };
HoverStep HoverOnMouseMove(bool leftButtonDown, bool hovered, bool overThisButton);

// ---- Coloured label ---------------------------------------------------------

// Height or width of the label font from the dialog font's: x 1.5,
// truncated (-11 -> -16, 0 stays 0).
int ScaleLabelFontDimension(int dialogFontDimension);
constexpr int kLabelFontWeight = 600;
inline constexpr wchar_t kLabelFontFace[] = L"\u5B8B\u4F53";  // 宋体
constexpr uint32_t kLabelDefaultColour = 200;               // dark red
// The area a paint wipes before drawing: the extent of the text before the
// last change, widened to that of the text last drawn when two changes came
// between paints (the caller passes zero otherwise), so that no remnant of
// a text that was on screen survives.
struct Extent {
    int cx = 0, cy = 0;
    bool operator==(const Extent&) const = default;
};
Extent WipeExtent(Extent previousText, Extent lastDrawnText);

}  // namespace core
