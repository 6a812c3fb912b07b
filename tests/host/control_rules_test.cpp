#include "core/control_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

using core::Rect;

// ---- Progress bar -------------------------------------------------------------

struct PercentCase {
    int pos, lower, upper;
    int percent;
};

TEST(ProgressPercent, IsTheTruncatedProductNotAnIntegerDivision) {
    const PercentCase cases[] = {
        {0, 0, 100, 0},     {42, 0, 100, 42},   {100, 0, 100, 100}, {29, 0, 100, 28}, {57, 0, 100, 56},
        {58, 0, 100, 57},   {1, 0, 3, 33},      {2, 0, 3, 66},      {150, 0, 100, 150},
        {-5, 0, 100, -5},   {15, 10, 20, 50},   {5, 0, 200, 2},
    };
    for (const auto& c : cases) {
        const double f = core::ProgressFraction(c.pos, c.lower, c.upper);
        EXPECT_EQ(core::ProgressPercent(f), c.percent) << c.pos << " of " << c.lower << ".." << c.upper;
    }
}

TEST(ProgressPercent, EveryOtherPositionOfZeroToHundredShowsItsOwnValue) {
    for (int pos = 0; pos <= 100; ++pos) {
        const int shown = core::ProgressPercent(core::ProgressFraction(pos, 0, 100));
        const double exact = pos / 100.0 * 100.0;
        // Only the three positions whose double product falls just below
        // the whole number show one less.
        if (pos == 29 || pos == 57 || pos == 58) EXPECT_EQ(shown, pos - 1) << pos;
        else EXPECT_EQ(shown, pos) << pos << " exact " << exact;
    }
}

struct WidthCase {
    int clientWidth, pos, lower, upper;
    int width;
};

TEST(ProgressBarWidth, IsClientWidthTimesFractionTruncated) {
    const WidthCase cases[] = {
        {372, 0, 0, 100, 0},     {372, 42, 0, 100, 156}, {372, 100, 0, 100, 372}, {372, 50, 0, 100, 186},
        {100, 1, 0, 3, 33},      {7, 99, 0, 100, 6},     {372, 200, 0, 100, 744}, {372, -10, 0, 100, -37},
    };
    for (const auto& c : cases)
        EXPECT_EQ(core::ProgressBarWidth(c.clientWidth, core::ProgressFraction(c.pos, c.lower, c.upper)), c.width)
            << c.pos << " in " << c.clientWidth;
}

TEST(ProgressFraction, EqualEndsGiveAnEmptyBarInsteadOfADivisionByZero) {
    EXPECT_EQ(core::ProgressFraction(5, 7, 7), 0.0);
    EXPECT_EQ(core::ProgressBarWidth(300, core::ProgressFraction(5, 7, 7)), 0);
    EXPECT_FALSE(core::ProgressRangeDrawable(7, 7));
    EXPECT_FALSE(core::ProgressRangeDrawable(8, 7));
    EXPECT_TRUE(core::ProgressRangeDrawable(0, 100));
}

TEST(ProgressFraction, ExtremeEndsNeitherOverflowNorWrap) {
    const double f = core::ProgressFraction(INT_MAX, INT_MIN, INT_MAX);
    EXPECT_DOUBLE_EQ(f, 1.0);
    EXPECT_EQ(core::ProgressBarWidth(400, core::ProgressFraction(INT_MAX, 0, 1)), INT_MAX);
    EXPECT_EQ(core::ProgressBarWidth(400, core::ProgressFraction(INT_MIN, 0, 1)), INT_MIN);
    const auto split = core::SplitProgress({0, 0, 400, 20}, core::ProgressFraction(INT_MAX, 0, 1));
    EXPECT_EQ(split.bar.right, INT_MAX);
    EXPECT_EQ(split.rest.left, INT_MAX - 1);
}

TEST(TruncToInt, TruncatesTowardsZeroAndSticksToTheLimits) {
    const struct {
        double in;
        int out;
    } cases[] = {{2.9, 2},        {-2.9, -2},      {-16.5, -16},    {0.0, 0},
                 {1e300, INT_MAX}, {-1e300, INT_MIN}, {std::nan(""), 0}, {std::numeric_limits<double>::infinity(), INT_MAX}};
    for (const auto& c : cases) EXPECT_EQ(core::TruncToInt(c.in), c.out) << c.in;
}

TEST(ProgressText, IsPrefixThenPercentSign) {
    EXPECT_EQ(core::ProgressText(L"\u5F53\u524D\u8FDB\u5EA6\uFF1A", 42), L"\u5F53\u524D\u8FDB\u5EA6\uFF1A42%");
    EXPECT_EQ(core::ProgressText(L"", 0), L"0%");
    EXPECT_EQ(core::ProgressText(L"x", -3), L"x-3%");
}

struct SplitCase {
    Rect client;
    int pos;
    int barRight, restLeft;
};

TEST(ProgressSplit, BarIsOneColumnWiderAndTheRestTakesTheOverlap) {
    const SplitCase cases[] = {
        {{0, 0, 372, 20}, 0, 1, 0},
        {{0, 0, 372, 20}, 42, 157, 156},
        {{0, 0, 372, 20}, 100, 373, 372},
        {{10, 5, 110, 25}, 50, 61, 60},
    };
    for (const auto& c : cases) {
        const auto s = core::SplitProgress(c.client, core::ProgressFraction(c.pos, 0, 100));
        EXPECT_EQ(s.bar.left, c.client.left);
        EXPECT_EQ(s.bar.right, c.barRight) << c.pos;
        EXPECT_EQ(s.rest.left, c.restLeft) << c.pos;
        EXPECT_EQ(s.rest.right, c.client.right);
        EXPECT_EQ(s.bar.top, c.client.top);
        EXPECT_EQ(s.rest.bottom, c.client.bottom);
    }
}

// ---- Bitmap button ----------------------------------------------------------------

struct StyleCase {
    uint32_t style;
    bool checkBox, defaultPush;
    uint32_t ownerDrawn;
};

TEST(ButtonStyle, CheckBoxIsABitTestAndTheTypeBecomesOwnerDrawn) {
    const StyleCase cases[] = {
        {0x50010000, false, false, 0x5001000B},  // BS_PUSHBUTTON, visible tab stop
        {0x50010001, false, true, 0x5001000B},   // BS_DEFPUSHBUTTON
        {0x00000002, true, false, 0x0000000B},   // BS_CHECKBOX
        {0x00000003, true, false, 0x0000000B},   // BS_AUTOCHECKBOX
        {0x00000006, true, false, 0x0000000B},   // BS_3STATE
        {0x00000009, false, false, 0x0000000B},  // BS_AUTORADIOBUTTON has no bit 2
        {0x0000000B, true, false, 0x0000000B},   // BS_OWNERDRAW has bit 2 set too
        {0x00008000, false, false, 0x0000800B},  // BS_FLAT kept
    };
    for (const auto& c : cases) {
        EXPECT_EQ(core::IsCheckBoxStyle(c.style), c.checkBox) << std::hex << c.style;
        EXPECT_EQ(core::IsDefaultPushStyle(c.style), c.defaultPush) << std::hex << c.style;
        EXPECT_EQ(core::OwnerDrawStyle(c.style), c.ownerDrawn) << std::hex << c.style;
    }
}

TEST(ButtonStyle, SetStyleChangesTheDefaultFlagOnlyForPushButtonTypes) {
    EXPECT_EQ(core::DefaultFlagFromSetStyle(0x1), std::optional<bool>(true));
    EXPECT_EQ(core::DefaultFlagFromSetStyle(0x0), std::optional<bool>(false));
    EXPECT_EQ(core::DefaultFlagFromSetStyle(0x10001), std::optional<bool>(true));
    EXPECT_EQ(core::DefaultFlagFromSetStyle(0xB), std::nullopt);
    EXPECT_EQ(core::DefaultFlagFromSetStyle(0x3), std::nullopt);
}

TEST(ButtonDialogCode, AddsDefaultOrNotDefaultPushButton) {
    EXPECT_EQ(core::ButtonDialogCode(0x2000, true), 0x2010u);
    EXPECT_EQ(core::ButtonDialogCode(0x2000, false), 0x2020u);
    EXPECT_EQ(core::ButtonDialogCode(0, false), 0x20u);
}

TEST(ButtonCheckState, CheckedAndIndeterminateCountAsChecked) {
    EXPECT_EQ(core::CheckStateFromButtonState(0), 0);
    EXPECT_EQ(core::CheckStateFromButtonState(1), 1);
    EXPECT_EQ(core::CheckStateFromButtonState(2), 1);
    EXPECT_EQ(core::CheckStateFromButtonState(4), 0);
}

TEST(ButtonPressedShift, KnowsTwoStyles) {
    EXPECT_EQ(core::PressedShiftFor(0), std::optional<core::Point>(core::Point{1, 1}));
    EXPECT_EQ(core::PressedShiftFor(1), std::optional<core::Point>(core::Point{0, 2}));
    EXPECT_EQ(core::PressedShiftFor(2), std::nullopt);
    EXPECT_EQ(core::PressedShiftFor(-1), std::nullopt);
}

struct SlotCase {
    bool checkBox, pressed, hovered, restSet;
    int slot;
};

TEST(ButtonImageSlot, HoverBitmapWhileLitRestBitmapOtherwise) {
    const SlotCase cases[] = {
        {false, false, false, true, 1}, {false, false, true, true, 0}, {false, true, false, true, 0},
        {false, true, true, true, 0},   {false, false, false, false, 0},
        // Check-box mode lights only when pressed (held or checked).
        {true, false, true, true, 1},   {true, true, false, true, 0},  {true, false, false, false, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(core::ChooseImageSlot(c.checkBox, c.pressed, c.hovered, c.restSet), c.slot)
            << c.checkBox << c.pressed << c.hovered << c.restSet;
}

struct PlacementCase {
    const char* name;
    Rect item;
    int w, h;
    bool caption, pressed, checkBox;
    Rect image;
    int captionLeft;
};

TEST(ButtonImagePlacement, CentresWithoutCaptionAndMakesRoomForOne) {
    const core::Point shift{1, 1};
    const PlacementCase cases[] = {
        {"centred", {0, 0, 152, 34}, 154, 34, false, false, false, {-1, 0, 152, 34}, 0},
        {"smaller image", {0, 0, 152, 34}, 100, 20, false, false, false, {26, 7, 152, 34}, 0},
        {"pressed shifts", {0, 0, 152, 34}, 100, 20, false, true, false, {27, 8, 153, 35}, 0},
        {"check box does not shift", {0, 0, 152, 34}, 100, 20, false, true, true, {26, 7, 152, 34}, 0},
        {"with caption", {0, 0, 152, 34}, 16, 16, true, false, false, {3, 9, 152, 34}, 19},
        {"odd difference truncates toward zero", {0, 0, 10, 10}, 13, 13, false, false, false, {-1, -1, 10, 10}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto p = core::PlaceImage(c.item, c.item, c.w, c.h, c.caption, c.pressed, c.checkBox, shift);
        EXPECT_EQ(p.image, c.image);
        EXPECT_EQ(p.caption.left, c.captionLeft);
    }
}

TEST(ButtonFrame, SunkenWhilePressedRaisedWhileHoveredNoneAtRest) {
    using core::FrameTone;
    EXPECT_FALSE(core::FrameFor(false, false).has_value());
    auto raised = core::FrameFor(false, true);
    ASSERT_TRUE(raised.has_value());
    EXPECT_EQ(raised->first, FrameTone::Highlight);
    EXPECT_EQ(raised->second, FrameTone::Shadow);
    for (bool hovered : {false, true}) {
        auto sunken = core::FrameFor(true, hovered);
        ASSERT_TRUE(sunken.has_value());
        EXPECT_EQ(sunken->first, FrameTone::Shadow);
        EXPECT_EQ(sunken->second, FrameTone::Highlight);
    }
}

TEST(ButtonFrame, SecondColourOwnsTheTopRightAndBottomLeftCorners) {
    const auto e = core::FrameRects({0, 0, 152, 34});
    EXPECT_EQ(e.top, (Rect{0, 0, 151, 1}));
    EXPECT_EQ(e.left, (Rect{0, 0, 1, 33}));
    EXPECT_EQ(e.right, (Rect{151, 0, 152, 34}));
    EXPECT_EQ(e.bottom, (Rect{0, 33, 152, 34}));
}

TEST(ButtonColours, EntriesByState) {
    const struct {
        bool lit, focused;
        int bg, text;
    } cases[] = {{true, false, 0, 1}, {true, true, 0, 1}, {false, true, 4, 5}, {false, false, 2, 3}};
    for (const auto& c : cases) {
        const auto e = core::CaptionColourEntries(c.lit, c.focused);
        EXPECT_EQ(e.background, c.bg);
        EXPECT_EQ(e.text, c.text);
    }
}

TEST(ButtonCaption, MeasuredRectangleIsCentred) {
    EXPECT_EQ(core::CentreMeasured({0, 0, 100, 30}, {0, 0, 40, 10}), (Rect{30, 10, 70, 20}));
    EXPECT_EQ(core::CentreMeasured({5, 5, 10, 10}, {5, 5, 12, 12}), (Rect{4, 4, 11, 11}));
}

TEST(ButtonCopies, DarkerIsThreeQuartersAndGreyIsTheWeightedLevel) {
    const uint32_t cyan = 0x00FFFF00;
    const struct {
        uint32_t in;
        core::CopyTone tone;
        uint32_t out;
    } cases[] = {
        {0x00C86432, core::CopyTone::Darker, 0x00964B25},  // 50,100,200 -> 37,75,150
        {0x00FFFFFF, core::CopyTone::Darker, 0x00BFBFBF},
        {0x00000001, core::CopyTone::Darker, 0x00000000},
        {0x000000FF, core::CopyTone::Grey, 0x004C4C4C},  // 0.299 x 255 = 76.2
        {0x0000FF00, core::CopyTone::Grey, 0x00959595},  // 0.587 x 255 = 149.7
        {0x00FF0000, core::CopyTone::Grey, 0x001D1D1D},  // 0.114 x 255 = 29.07
        {cyan, core::CopyTone::Grey, cyan},
        {cyan, core::CopyTone::Darker, cyan},
    };
    for (const auto& c : cases) EXPECT_EQ(core::CopyPixel(c.in, cyan, c.tone), c.out) << std::hex << c.in;
}

struct HoverCase {
    bool leftDown, hovered, over;
    core::HoverStep step;
};

TEST(ButtonHover, DraggingOntoTheButtonDoesNotLightIt) {
    using core::HoverStep;
    const HoverCase cases[] = {
        {false, false, true, HoverStep::Enter},   {false, true, true, HoverStep::Nothing},
        {false, true, false, HoverStep::Leave},   {false, false, false, HoverStep::Nothing},
        {true, false, true, HoverStep::Nothing},  // dragged in from elsewhere
        {true, true, true, HoverStep::Nothing},   {true, true, false, HoverStep::Leave},
    };
    for (const auto& c : cases)
        EXPECT_EQ(core::HoverOnMouseMove(c.leftDown, c.hovered, c.over), c.step) << c.leftDown << c.hovered << c.over;
}

// ---- Coloured label -----------------------------------------------------------------

TEST(LabelFont, IsOneAndAHalfTimesTheDialogFontTruncated) {
    const struct {
        int in, out;
    } cases[] = {{-11, -16}, {0, 0}, {-13, -19}, {12, 18}, {-8, -12}, {1, 1}, {INT_MIN, INT_MIN}};
    for (const auto& c : cases) EXPECT_EQ(core::ScaleLabelFontDimension(c.in), c.out) << c.in;
    EXPECT_EQ(core::kLabelFontWeight, 600);
    EXPECT_EQ(std::wstring(core::kLabelFontFace), L"\u5B8B\u4F53");
    EXPECT_EQ(core::kLabelDefaultColour, 0x000000C8u);
}

TEST(LabelWipe, CoversBothThePreviousAndTheLastDrawnText) {
    EXPECT_EQ(core::WipeExtent({100, 16}, {40, 16}), (core::Extent{100, 16}));
    EXPECT_EQ(core::WipeExtent({40, 16}, {300, 18}), (core::Extent{300, 18}));
    EXPECT_EQ(core::WipeExtent({0, 0}, {0, 0}), (core::Extent{0, 0}));
}

}  // namespace
