#include "core/control_rules.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using core::Rect;

// ---- Progress bar -------------------------------------------------------------

TEST(ProgressPercent, ZeroToHundredShowsItsOwnValueButTwentyNineFiftySevenAndFiftyEight) {
    // The percent is the truncated double product, not an integer division:
    // three positions fall just below the whole number.
    for (int pos = 0; pos <= 100; ++pos) {
        const int expected = (pos == 29 || pos == 57 || pos == 58) ? pos - 1 : pos;
        EXPECT_EQ(core::ProgressPercent(core::ProgressFraction(pos, 0, 100)), expected) << pos;
    }
}

// The bar is the truncated product of width and fraction, drawn one column
// wider; the rest starts on that overlap column.  Equal ends give an empty bar.
TEST(ProgressSplit, BarWidthPercentAndTheRestTakesTheOverlap) {
    const struct {
        Rect client;
        int pos, lower, upper, width, barRight, percent;
    } cases[] = {
        {{0, 0, 372, 20}, 0, 0, 100, 0, 1, 0},         {{0, 0, 372, 20}, 42, 0, 100, 156, 157, 42},
        {{0, 0, 372, 20}, 100, 0, 100, 372, 373, 100}, {{10, 5, 110, 25}, 50, 0, 100, 50, 61, 50},
        {{0, 0, 100, 20}, 1, 0, 3, 33, 34, 33},        {{0, 0, 100, 20}, 2, 0, 3, 66, 67, 66},
        {{0, 0, 7, 20}, 99, 0, 100, 6, 7, 99},         {{0, 0, 372, 20}, 15, 10, 20, 186, 187, 50},
        {{0, 0, 372, 20}, 5, 0, 200, 9, 10, 2},        {{0, 0, 372, 20}, 200, 0, 100, 744, 745, 200},
        {{0, 0, 372, 20}, -10, 0, 100, -37, -36, -10}, {{0, 0, 372, 20}, 5, 7, 7, 0, 1, 0},
        // Extreme positions neither overflow nor wrap.
        {{0, 0, 400, 20}, INT_MAX, 0, 1, INT_MAX, INT_MAX, INT_MAX},
        {{0, 0, 400, 20}, INT_MIN, 0, 1, INT_MIN, INT_MIN + 1, INT_MIN},
    };
    EXPECT_FALSE(core::ProgressRangeDrawable(7, 7));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pos << " of " << c.lower << ".." << c.upper);
        const double f = core::ProgressFraction(c.pos, c.lower, c.upper);
        EXPECT_EQ(core::ProgressPercent(f), c.percent);
        EXPECT_EQ(core::ProgressBarWidth(c.client.right - c.client.left, f), c.width);
        const auto s = core::SplitProgress(c.client, f);
        EXPECT_EQ(s.bar, (Rect{c.client.left, c.client.top, c.barRight, c.client.bottom}));
        EXPECT_EQ(s.rest, (Rect{c.barRight - 1, c.client.top, c.client.right, c.client.bottom}));
    }
}

// ---- Bitmap button ----------------------------------------------------------------

TEST(ButtonStyle, CheckBoxIsABitTestTheTypeBecomesOwnerDrawnAndSetStyleMovesTheDefault) {
    const struct {
        uint32_t style;
        bool checkBox, defaultPush;
        uint32_t ownerDrawn;
        std::optional<bool> defaultAfterSetStyle;
    } cases[] = {
        {0x50010000, false, false, 0x5001000B, false},        // BS_PUSHBUTTON, visible tab stop
        {0x50010001, false, true, 0x5001000B, true},          // BS_DEFPUSHBUTTON
        {0x00000002, true, false, 0x0000000B, std::nullopt},  // BS_CHECKBOX
        {0x00000003, true, false, 0x0000000B, std::nullopt},  // BS_AUTOCHECKBOX
        {0x00000006, true, false, 0x0000000B, std::nullopt},  // BS_3STATE
        {0x00000009, false, false, 0x0000000B, std::nullopt}, // BS_AUTORADIOBUTTON has no bit 2
        {0x0000000B, true, false, 0x0000000B, std::nullopt},  // BS_OWNERDRAW has bit 2 set too
        {0x00008000, false, false, 0x0000800B, false},        // BS_FLAT kept
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.style);
        EXPECT_EQ(core::IsCheckBoxStyle(c.style), c.checkBox);
        EXPECT_EQ(core::IsDefaultPushStyle(c.style), c.defaultPush);
        EXPECT_EQ(core::OwnerDrawStyle(c.style), c.ownerDrawn);
        EXPECT_EQ(core::DefaultFlagFromSetStyle(c.style), c.defaultAfterSetStyle);
    }
}

TEST(ButtonImageSlot, HoverBitmapWhileLitRestBitmapOtherwise) {
    const struct {
        bool checkBox, pressed, hovered, restSet;
        int slot;
    } cases[] = {
        {false, false, false, true, 1}, {false, false, true, true, 0}, {false, true, false, true, 0},
        {false, true, true, true, 0},   {false, false, false, false, 0},
        // Check-box mode lights only when pressed (held or checked).
        {true, false, true, true, 1},   {true, true, false, true, 0},  {true, false, false, false, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(core::ChooseImageSlot(c.checkBox, c.pressed, c.hovered, c.restSet), c.slot)
            << c.checkBox << c.pressed << c.hovered << c.restSet;
}

TEST(ButtonImagePlacement, CentresWithoutCaptionAndMakesRoomForOne) {
    const struct {
        const char* name;
        Rect item;
        int w, h;
        bool caption, pressed, checkBox;
        Rect image;
        int captionLeft;
    } cases[] = {
        {"centred", {0, 0, 152, 34}, 154, 34, false, false, false, {-1, 0, 152, 34}, 0},
        {"smaller image", {0, 0, 152, 34}, 100, 20, false, false, false, {26, 7, 152, 34}, 0},
        {"pressed shifts", {0, 0, 152, 34}, 100, 20, false, true, false, {27, 8, 153, 35}, 0},
        {"check box does not shift", {0, 0, 152, 34}, 100, 20, false, true, true, {26, 7, 152, 34}, 0},
        {"with caption", {0, 0, 152, 34}, 16, 16, true, false, false, {3, 9, 152, 34}, 19},
        {"odd difference truncates toward zero", {0, 0, 10, 10}, 13, 13, false, false, false, {-1, -1, 10, 10}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto p = core::PlaceImage(c.item, c.item, c.w, c.h, c.caption, c.pressed, c.checkBox, core::Point{1, 1});
        EXPECT_EQ(p.image, c.image);
        EXPECT_EQ(p.caption.left, c.captionLeft);
    }
}

TEST(ButtonPressedShift, KnowsTwoStyles) {
    EXPECT_EQ(core::PressedShiftFor(0), std::optional<core::Point>(core::Point{1, 1}));
    EXPECT_EQ(core::PressedShiftFor(1), std::optional<core::Point>(core::Point{0, 2}));
    EXPECT_EQ(core::PressedShiftFor(2), std::nullopt);
}

TEST(ButtonCopies, DarkerIsThreeQuartersAndGreyIsTheWeightedLevel) {
    const uint32_t cyan = 0x00FFFF00;
    const struct {
        uint32_t in;
        core::CopyTone tone;
        uint32_t out;
    } cases[] = {
        {0x00FFFFFF, core::CopyTone::Darker, 0x00BFBFBF},  // 255 x 0.75 = 191.25
        {0x000000FF, core::CopyTone::Grey, 0x004C4C4C},  // 0.299 x 255 = 76.2
        {0x0000FF00, core::CopyTone::Grey, 0x00959595},  // 0.587 x 255 = 149.7
        {0x00FF0000, core::CopyTone::Grey, 0x001D1D1D},  // 0.114 x 255 = 29.07
        {cyan, core::CopyTone::Grey, cyan},               {cyan, core::CopyTone::Darker, cyan},
    };
    for (const auto& c : cases) EXPECT_EQ(core::CopyPixel(c.in, cyan, c.tone), c.out) << std::hex << c.in;
}

// ---- Coloured label -----------------------------------------------------------------

TEST(LabelFont, IsOneAndAHalfTimesTheDialogFontTruncated) {
    const struct {
        int in, out;
    } cases[] = {{-11, -16}, {0, 0}, {-13, -19}, {12, 18}, {-8, -12}, {1, 1}, {INT_MIN, INT_MIN}};
    for (const auto& c : cases) EXPECT_EQ(core::ScaleLabelFontDimension(c.in), c.out) << c.in;
}

}  // namespace
