#include "core/message_box_rule.h"

#include <gtest/gtest.h>

namespace {

struct IconCase {
    uint32_t type;
    uint32_t expected;
};

TEST(MessageBoxDefaultIcon, AddsTheIconThatFitsTheButtons) {
    const IconCase cases[] = {
        {core::kMbOk, core::kMbOk | core::kMbIconExclamation},
        {core::kMbOkCancel, core::kMbOkCancel | core::kMbIconExclamation},
        {core::kMbYesNo, core::kMbYesNo | core::kMbIconQuestion},
        {core::kMbYesNoCancel, core::kMbYesNoCancel | core::kMbIconQuestion},
        // A named icon is kept, whatever the buttons.
        {core::kMbYesNo | 0x10, core::kMbYesNo | 0x10},
        {core::kMbOk | 0x40, core::kMbOk | 0x40},
        // Retry/Cancel (5) gets nothing added.
        {0x5, 0x5},
    };
    for (const auto& c : cases) EXPECT_EQ(core::WithDefaultIcon(c.type), c.expected) << "type " << c.type;
}

TEST(AppName, IsTheExecutableNameWithoutExtension) {
    EXPECT_EQ(core::AppNameFromPath(L"D:\\setup\\Printer Install.exe"), L"Printer Install");
    EXPECT_EQ(core::AppNameFromPath(L"Printer Install.exe"), L"Printer Install");
    EXPECT_EQ(core::AppNameFromPath(L"C:\\a.b\\setup"), L"setup");
    EXPECT_EQ(core::AppNameFromPath(L"C:\\x\\my.setup.exe"), L"my.setup");
}

}  // namespace
