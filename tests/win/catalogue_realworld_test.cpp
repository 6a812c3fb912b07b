// The installer's USB hardware-ID lookup on real driver data: every real
// models line of tests/data/realworld put into a medium INF for one of our
// printers (literal and %token% names, LPTENUM\ first, a first line without
// a USB ID), saved in UTF-16LE as the real files are, in UTF-8 and in GBK,
// gives the line's own USB hardware ID, or "not found" when it has none;
// and the whole real INF files give "not found" for each of their models.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "catalogue/driver_package.h"
#include "catalogue_test_files.h"
#include "core/inf_models.h"
#include "core/inf_reader.h"
#include "support/realworld_data.h"

namespace {

const std::vector<core::InfFields>& Lines(const std::vector<core::InfFields>* lines) {
    static const std::vector<core::InfFields> kNone;
    return lines ? *lines : kNone;
}

std::string Utf8File(const std::wstring& text) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                        nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    return "\xEF\xBB\xBF" + bytes;
}

std::wstring AnsiDecode(std::string_view bytes) {
    std::wstring text(bytes.size(), L'\0');
    const int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                        static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(n > 0 ? n : 0));
    return text;
}

// Regression: UTF-16 INF files, lines of one ID, IDs after a blank or after
// LPTENUM\, %token% model names and a first line without a USB ID all gave
// no or a wrong hardware ID, so Plug and Play installation failed.
TEST(UsbHardwareIdRealWorld, EveryRealModelsLineInEveryEncodingGivesItsOwnId) {
    CATTEST_REQUIRE_GBK();
    cattest::TempDir dir;
    const std::wstring printer = L"Orvane RW-24";
    size_t checked = 0, withId = 0;
    for (const realworld::InfLineRow& row : realworld::InfLines()) {
        if (!realworld::IsModelsLine(row)) continue;
        for (const realworld::MediumVariant& v : realworld::MediumVariants(row, printer)) {
            const struct {
                const char* encoding;
                std::string bytes;
            } files[] = {{"UTF-16LE", cattest::Utf16File(v.inf)},
                         {"UTF-8", Utf8File(v.inf)},
                         {"GBK", cattest::AnsiFile(v.inf, cattest::kGbk)}};
            for (const auto& f : files) {
                SCOPED_TRACE("inf-lines row " + std::to_string(row.number) + ", " + v.name + ", " + f.encoding);
                const std::wstring path = dir.Write(L"Orvane.INF", f.bytes);
                std::wstring id = L"stale";
                EXPECT_EQ(FindUsbHardwareId(path, printer, id), !v.expected.empty());
                EXPECT_EQ(id, v.expected);
                ++checked;
                withId += !v.expected.empty();
            }
        }
    }
    std::printf("[ CHECKED  ] %zu media around real models lines, %zu with a USB hardware ID\n", checked, withId);
    EXPECT_GT(withId, 40u);
}

TEST(UsbHardwareIdRealWorld, WholeRealInfFilesListNoUsbId) {
    cattest::TempDir dir;
    size_t models = 0;
    for (const auto& [name, bytes] : realworld::MsSampleInfs()) {
        SCOPED_TRACE(name);
        const std::wstring path = dir.Write(L"sample.inf", bytes);
        const core::InfDocument doc(bytes, &AnsiDecode);
        ASSERT_TRUE(doc.Opens());
        const auto read = core::SectionReaderOf(doc);
        for (const auto& manufacturer : Lines(read(L"Manufacturer"))) {
            const auto section = core::ModelsSectionForX64(manufacturer, RunningWindowsVersion());
            for (const auto& model : section ? Lines(read(*section))
                                             : std::vector<core::InfFields>{}) {
                std::wstring id = L"stale";
                EXPECT_FALSE(FindUsbHardwareId(path, model.key.value_or(L""), id));
                EXPECT_EQ(id, L"");
                ++models;
            }
        }
    }
    EXPECT_GE(models, 10u);
}

}  // namespace
