// Next on the manual page and the companion buttons hand files to the shell:
// a recorder registered for PDF files, and recorders in the companion
// programs' places, show what was started.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program_under_test.h"
#include "res/resource.h"
#include "support/window_probe.h"

namespace {

using e2e::Medium;
using e2e::Program;

std::vector<std::wstring> LogLines(const std::wstring& exe) {
    std::vector<std::wstring> lines;
    const std::wstring text = e2e::Utf8ToWide(e2e::ReadFileBytes(exe + L".log"));
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        if (end > start) lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool SetKey(HKEY root, const std::wstring& path, const std::wstring& value) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG rc = ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS;
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
        ASSERT_TRUE(SetKey(HKEY_CLASSES_ROOT, L".pdf", L"PrinterInstallTest.pdf"));
        ASSERT_TRUE(SetKey(HKEY_CLASSES_ROOT, L"PrinterInstallTest.pdf\\shell\\open\\command",
                           L"\"" + reader_ + L"\" \"%1\""));
    }
    void TearDown() override {
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"PrinterInstallTest.pdf");
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L".pdf");
    }
    // Selects the model in the list (on the manual page) and presses Next.
    static void OpenManualOf(const Program& p, const std::wstring& model) {
        HWND list = p.Item(IDC_LST_MODEL);
        const LRESULT i = ::SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(model.c_str()));
        ASSERT_NE(i, LB_ERR) << "model not listed";
        ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
        p.Click(IDC_BTN_NEXT);
    }
    std::wstring reader_;
};

TEST_F(ManualViewer, OpensTheSelectedModelsPdfWithTheAssociatedProgram) {
    Medium medium;
    Program program(medium);
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.ClickAndWait(IDC_BTN_MANUAL));
    OpenManualOf(program, L"OP-730K");
    ASSERT_TRUE(e2e::WaitUntil([&] { return LogLines(reader_).size() == 1; }));
    EXPECT_NE(LogLines(reader_)[0].find(medium.Path(L"OrvaneManual\\OP-730K.pdf")), std::wstring::npos)
        << LogLines(reader_)[0];
    // A model with no manual of its own gets the common one.
    OpenManualOf(program, L"OP-610K");
    ASSERT_TRUE(e2e::WaitUntil([&] { return LogLines(reader_).size() == 2; }));
    EXPECT_NE(LogLines(reader_)[1].find(medium.Path(L"OrvaneManual\\Printer.PDF")), std::wstring::npos);
    EXPECT_FALSE(probe::FindMessageBox(program.Pid()));
}

TEST_F(ManualViewer, AMissingManualIsReportedAndNothingStarts) {
    Medium medium;
    ASSERT_TRUE(medium.Remove(L"OrvaneManual\\OP-630K.pdf"));
    ASSERT_TRUE(medium.Remove(L"OrvaneManual\\Printer.PDF"));
    Program program(medium);
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.ClickAndWait(IDC_BTN_MANUAL));
    for (const wchar_t* model : {L"OP-630K", L"OP-610K"}) {
        auto box = probe::AnswerNextMessageBox(program.Pid(), IDOK);
        OpenManualOf(program, model);
        const auto info = box.get();
        EXPECT_EQ(info.text, L"该机型pdf文件不存在") << model;
        EXPECT_EQ(info.caption, L"Printer Install");
        EXPECT_TRUE(info.hasIcon);
    }
    ::Sleep(300);
    EXPECT_TRUE(LogLines(reader_).empty());
    EXPECT_TRUE(program.Visible(IDC_STC_MANUAL_HINT)) << "the page stays";
}

TEST_F(ManualViewer, RegressionTheExistenceTestLeavesNoFileOpen) {
    Medium medium;
    Program program(medium);
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.ClickAndWait(IDC_BTN_MANUAL));
    HWND list = program.Item(IDC_LST_MODEL);
    const LRESULT i =
        ::SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"OP-730K"));
    ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
    for (int n = 0; n < 50; ++n) ASSERT_TRUE(program.ClickAndWait(IDC_BTN_NEXT));
    ASSERT_TRUE(e2e::WaitUntil([&] { return LogLines(reader_).size() == 50; }, 60000)) << LogLines(reader_).size();
    // Deleting fails while any handle without delete sharing is open.
    EXPECT_TRUE(medium.Remove(L"OrvaneManual\\OP-730K.pdf")) << ::GetLastError();
}

class Companions : public ::testing::Test {
protected:
    static void PutRecorder(const Medium& medium, const std::wstring& relative) {
        ASSERT_TRUE(::CopyFileW(e2e::RecorderExe().c_str(), medium.Path(relative).c_str(), FALSE));
    }
};

TEST_F(Companions, ButtonsStartTheirProgramsOnEveryPage) {
    Medium medium;
    PutRecorder(medium, L"Quorin\\Quorin.exe");
    PutRecorder(medium, L"Tessan\\Tessan.exe");
    Program program(medium);
    ASSERT_TRUE(program.Start());
    const std::wstring quorin = medium.Path(L"Quorin\\Quorin.exe");
    const std::wstring tessan = medium.Path(L"Tessan\\Tessan.exe");
    size_t expected = 0;
    for (int page : {IDC_BTN_DRIVER, IDC_BTN_MANUAL, IDC_BTN_FIRMWARE}) {
        ASSERT_TRUE(program.ClickAndWait(page));
        ASSERT_TRUE(program.ClickAndWait(IDC_BTN_QUORIN));
        ASSERT_TRUE(program.ClickAndWait(IDC_BTN_TESSAN));
        ++expected;
        EXPECT_TRUE(e2e::WaitUntil([&] { return LogLines(quorin).size() == expected; })) << page;
        EXPECT_TRUE(e2e::WaitUntil([&] { return LogLines(tessan).size() == expected; })) << page;
    }
    EXPECT_NE(LogLines(quorin)[0].find(quorin), std::wstring::npos) << LogLines(quorin)[0];
}

TEST_F(Companions, AMissingProgramOrKeyIsReported) {
    Medium medium;
    ASSERT_TRUE(medium.Remove(L"Quorin\\Quorin.exe"));
    // No OTHER_SOFTWARE key for Tessan: the path is the medium's folder.
    std::string catalogue = e2e::ReadFileBytes(medium.Path(L"PrinterInfor.Inf"));
    std::wstring text(reinterpret_cast<const wchar_t*>(catalogue.data() + 2), (catalogue.size() - 2) / 2);
    const size_t at = text.find(L"Tessan=");
    ASSERT_NE(at, std::wstring::npos);
    text.replace(at, 7, L"Unused=");
    ASSERT_TRUE(medium.PutCatalogue(text));

    Program program(medium);
    ASSERT_TRUE(program.Start());
    for (int button : {IDC_BTN_QUORIN, IDC_BTN_TESSAN}) {
        auto box = probe::AnswerNextMessageBox(program.Pid(), IDOK);
        program.Click(button);
        const auto info = box.get();
        EXPECT_EQ(info.text, L"该应用程序文件不存在") << button;
        EXPECT_EQ(info.caption, L"Printer Install");
    }
}

}  // namespace
