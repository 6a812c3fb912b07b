#include "core/message_box_rule.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageBoxDefaultIcon, AddsTheIconThatFitsTheButtonsAndKeepsANamedOne) {
    using namespace core;
    const uint32_t cases[][2] = {
        {kMbOk, kMbOk | kMbIconExclamation},     {kMbOkCancel, kMbOkCancel | kMbIconExclamation},
        {kMbYesNo, kMbYesNo | kMbIconQuestion}, {kMbYesNoCancel, kMbYesNoCancel | kMbIconQuestion},
        {kMbYesNo | 0x10, kMbYesNo | 0x10},     {kMbOk | 0x40, kMbOk | 0x40},
        {0x5, 0x5},  // Retry/Cancel gets nothing added
    };
    for (const auto& c : cases) EXPECT_EQ(WithDefaultIcon(c[0]), c[1]) << "type " << c[0];
}

TEST(AppName, IsTheExecutableNameWithoutExtension) {
    EXPECT_EQ(core::AppNameFromPath(L"D:\\setup\\Printer Install.exe"), L"Printer Install");
    EXPECT_EQ(core::AppNameFromPath(L"C:\\a.b\\setup"), L"setup");
    EXPECT_EQ(core::AppNameFromPath(L"C:\\x\\my.setup.exe"), L"my.setup");
}

}  // namespace
