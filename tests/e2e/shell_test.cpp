// Next on the manual page and the companion buttons hand files to the shell:
// a recorder registered for PDF files, and recorders in the companion
// programs' places, show what was started.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "program_under_test.h"
#include "res/resource.h"
#include "support/window_probe.h"

namespace {

using e2e::Medium;
using e2e::Program;

// The command lines a recorder copied to `exe` was started with.
std::vector<std::wstring> LogLines(const std::wstring& exe) { return e2e::LogLines(exe + L".log"); }

bool SetKey(const std::wstring& path, const std::wstring& value) {
    return ::RegSetKeyValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, REG_SZ, value.c_str(),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// PDF files open with a recorder for the duration of the fixture (in the
// throwaway test prefix).
class ManualViewer : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t tmp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, tmp);
        reader_ = std::wstring(tmp) + L"pi-e2e-pdf-reader.exe";
        ::DeleteFileW((reader_ + L".log").c_str());
        ASSERT_TRUE(::CopyFileW(e2e::RecorderExe().c_str(), reader_.c_str(), FALSE));
        ASSERT_TRUE(SetKey(L".pdf", L"PrinterInstallTest.pdf"));
        ASSERT_TRUE(SetKey(L"PrinterInstallTest.pdf\\shell\\open\\command", L"\"" + reader_ + L"\" \"%1\""));
    }
    void TearDown() override {
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"PrinterInstallTest.pdf");
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L".pdf");
    }
    // Selects the model in the list and presses Next.
    void OpenManualOf(const std::wstring& model) {
        HWND list = program_.Item(IDC_LST_MODEL);
        const LRESULT i = ::SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(model.c_str()));
        ASSERT_NE(i, LB_ERR) << "model not listed";
        ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
        program_.Click(IDC_BTN_NEXT);
    }
    std::wstring reader_;
    Medium medium_;
    Program program_{medium_};
};

// The selected model's manual opens with the associated program, a model
// without its own the common one.  Regression: the existence test left the
// file open, so the same manual opened 50 times held 50 handles on it.  A
// manual that is missing is reported and nothing starts.
TEST_F(ManualViewer, OpensTheModelsPdfLeavesNoFileOpenAndReportsAMissingOne) {
    ASSERT_TRUE(program_.Start());
    ASSERT_TRUE(program_.ClickAndWait(IDC_BTN_MANUAL));
    OpenManualOf(L"OP-610K");
    ASSERT_TRUE(e2e::WaitUntil([&] { return LogLines(reader_).size() == 1; }));
    EXPECT_NE(LogLines(reader_)[0].find(medium_.Path(L"OrvaneManual\\Printer.PDF")), std::wstring::npos);
    OpenManualOf(L"OP-730K");
    for (int n = 1; n < 50; ++n) ASSERT_TRUE(program_.ClickAndWait(IDC_BTN_NEXT));
    ASSERT_TRUE(e2e::WaitUntil([&] { return LogLines(reader_).size() == 51; }, 60000)) << LogLines(reader_).size();
    const auto lines = LogLines(reader_);
    for (size_t i = 1; i < lines.size(); ++i)
        ASSERT_NE(lines[i].find(medium_.Path(L"OrvaneManual\\OP-730K.pdf")), std::wstring::npos) << lines[i];
    EXPECT_FALSE(probe::FindMessageBox(program_.Pid()));
    // Deleting fails while any handle without delete sharing is open.
    EXPECT_TRUE(medium_.Remove(L"OrvaneManual\\OP-730K.pdf")) << ::GetLastError();
    ASSERT_TRUE(medium_.Remove(L"OrvaneManual\\Printer.PDF"));
    for (const wchar_t* model : {L"OP-730K", L"OP-610K"}) {
        OpenManualOf(model);
        const auto info = probe::AnswerNextMessageBox(program_.Pid(), IDOK).get();
        EXPECT_EQ(info.text, L"该机型pdf文件不存在") << model;
        EXPECT_EQ(info.caption, L"Printer Install");
        EXPECT_TRUE(info.hasIcon);
    }
    // A manual put back opens again.  By the time it shows in the log, a
    // start for either missing manual, asked for earlier, would have too.
    const std::wstring marker = medium_.Path(L"OrvaneManual\\OP-730K.pdf");
    ASSERT_TRUE(medium_.Put(L"OrvaneManual\\OP-730K.pdf", "%PDF-1.4\n%%EOF\n"));
    OpenManualOf(L"OP-730K");
    ASSERT_TRUE(e2e::WaitUntil([&] {
        const auto l = LogLines(reader_);
        return l.size() > 51 && l.back().find(marker) != std::wstring::npos;
    }));
    EXPECT_EQ(LogLines(reader_).size(), 52u) << "nothing started for a missing manual";
    EXPECT_TRUE(program_.Visible(IDC_STC_MANUAL_HINT)) << "the page stays";
}

TEST(Companions, ButtonsStartTheirProgramsOnEveryPage) {
    Medium medium;
    const std::wstring programs[] = {medium.Path(L"Quorin\\Quorin.exe"), medium.Path(L"Tessan\\Tessan.exe")};
    for (const auto& exe : programs) ASSERT_TRUE(::CopyFileW(e2e::RecorderExe().c_str(), exe.c_str(), FALSE));
    Program program(medium);
    ASSERT_TRUE(program.Start());
    size_t expected = 0;
    for (int page : {IDC_BTN_DRIVER, IDC_BTN_MANUAL, IDC_BTN_FIRMWARE}) {
        ASSERT_TRUE(program.ClickAndWait(page));
        ASSERT_TRUE(program.ClickAndWait(IDC_BTN_QUORIN));
        ASSERT_TRUE(program.ClickAndWait(IDC_BTN_TESSAN));
        ++expected;
        for (const auto& exe : programs)
            EXPECT_TRUE(e2e::WaitUntil([&] { return LogLines(exe).size() == expected; })) << page;
    }
    EXPECT_NE(LogLines(programs[0])[0].find(programs[0]), std::wstring::npos) << LogLines(programs[0])[0];
}

TEST(Companions, AMissingProgramOrKeyIsReported) {
    Medium medium;
    ASSERT_TRUE(medium.Remove(L"Quorin\\Quorin.exe"));
    // No OTHER_SOFTWARE key for Tessan: the path is the medium's folder.
    const std::string catalogue = e2e::ReadFileBytes(medium.Path(L"PrinterInfor.Inf"));
    std::wstring text(reinterpret_cast<const wchar_t*>(catalogue.data() + 2), (catalogue.size() - 2) / 2);
    const size_t at = text.find(L"Tessan=");
    ASSERT_NE(at, std::wstring::npos);
    ASSERT_TRUE(medium.PutCatalogue(text.replace(at, 7, L"Unused=")));
    Program program(medium);
    ASSERT_TRUE(program.Start());
    for (int button : {IDC_BTN_QUORIN, IDC_BTN_TESSAN}) {
        program.Click(button);
        const auto info = probe::AnswerNextMessageBox(program.Pid(), IDOK).get();
        EXPECT_EQ(info.text, L"该应用程序文件不存在") << button;
        EXPECT_EQ(info.caption, L"Printer Install");
    }
}

}  // namespace
