// The program as a customer runs it from the disc: the demo variant of the
// release image (./release --with-simulator) mounted read-only and given to
// Wine as a CD-ROM drive (./test does it; by hand: pi_cdrom_map in
// scripts/wine-env.sh).  The program starts, its pages work, a manual opens,
// a failed installation reports, the firmware reaches the simulated printer,
// and nothing new appears on the disc: the copy of the system folder's
// winio.sys next to the program fails there without a word.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "program_under_test.h"
#include "res/resource.h"
#include "support/window_probe.h"

namespace {

using e2e::Program;

// The root of the CD-ROM drive that holds the program, or "".
std::wstring CdWithTheProgram() {
    for (wchar_t letter = L'D'; letter <= L'Z'; ++letter) {
        const std::wstring root = std::wstring(1, letter) + L":\\";
        if (::GetDriveTypeW(root.c_str()) == DRIVE_CDROM &&
            ::GetFileAttributesW((root + L"Printer Install.exe").c_str()) != INVALID_FILE_ATTRIBUTES)
            return root;
    }
    return {};
}

// Every file and folder below `folder`, with its size.
void List(const std::wstring& folder, const std::wstring& relative, std::map<std::wstring, ULONGLONG>& into) {
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((folder + relative + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        into[relative + name] = (static_cast<ULONGLONG>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) List(folder, relative + name + L"\\", into);
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
}

std::map<std::wstring, ULONGLONG> Listing(const std::wstring& folder) {
    std::map<std::wstring, ULONGLONG> files;
    List(folder, L"", files);
    return files;
}

// A file of the test prefix's system folder for as long as the object lives.
class SystemFile {
public:
    SystemFile(const std::wstring& name, const std::string& bytes) {
        wchar_t system[MAX_PATH] = {};
        const UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
        if (n > 0 && n < MAX_PATH) path_ = std::wstring(system, n) + L"\\" + name;
        written_ = !path_.empty() && e2e::WriteFileBytes(path_, bytes);
    }
    ~SystemFile() {
        if (written_) ::DeleteFileW(path_.c_str());
    }
    SystemFile(const SystemFile&) = delete;
    SystemFile& operator=(const SystemFile&) = delete;
    bool Written() const { return written_; }

private:
    std::wstring path_;
    bool written_ = false;
};

// Undoes a test's changes to the process and the prefix however it ends.
struct Undo {
    std::function<void()> undo;
    ~Undo() { undo(); }
};

bool SetKey(const std::wstring& path, const std::wstring& value) {
    return ::RegSetKeyValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, REG_SZ, value.c_str(),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

TEST(CdMedium, TheProgramRunsFromTheDiscAndWritesNothingThere) {
    const std::wstring cd = CdWithTheProgram();
    if (cd.empty() && ::GetEnvironmentVariableW(L"PI_CDROM_UNAVAILABLE", nullptr, 0) > 0)
        GTEST_SKIP() << "this machine allows no read-only mount for the disc (a bind mount needs root)";
    ASSERT_FALSE(cd.empty()) << "no CD-ROM drive holds Printer Install.exe: ./test maps the demo release image "
                                "(./release --with-simulator) with pi_cdrom_map of scripts/wine-env.sh";
    const auto before = Listing(cd);
    EXPECT_EQ(before.count(L"winio.sys"), 0u) << "the demo image leaves winio.sys out, so that the copy is tried";
    EXPECT_EQ(before.count(L"autorun.inf"), 1u);
    // The disc cannot be written to at all.
    EXPECT_FALSE(e2e::WriteFileBytes(cd + L"probe.txt", "x"));

    // What the program needs from outside the disc: winio.sys in the system
    // folder (it copies it next to itself, which fails here), the
    // simulator's capture outside the disc, a reader for PDF files, and the
    // system's rundll32.exe in a stand-in that creates no printer.
    SystemFile driver(L"winio.sys", "stand-in driver file");
    ASSERT_TRUE(driver.Written());
    const std::wstring scratch = lpttest::NewTempDir(L"pi-e2e-cd\\");
    const Undo undo{[&] {
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"PrinterInstallCdTest.pdf");
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L".pdf");
        ::SetEnvironmentVariableW(L"WINIO_SIMULATOR_CAPTURE_FILE", nullptr);
        ::SetEnvironmentVariableW(L"WINIO_SIMULATOR_BUSY_READS", nullptr);
        lpttest::RemoveTree(scratch);
    }};
    const std::wstring capture = scratch + L"capture.bin";
    ASSERT_TRUE(::SetEnvironmentVariableW(L"WINIO_SIMULATOR_CAPTURE_FILE", capture.c_str()));
    ASSERT_TRUE(::SetEnvironmentVariableW(L"WINIO_SIMULATOR_BUSY_READS", L"0"));
    const std::wstring reader = scratch + L"pdf-reader.exe";
    ASSERT_TRUE(::CopyFileW(e2e::RecorderExe().c_str(), reader.c_str(), FALSE));
    ASSERT_TRUE(SetKey(L".pdf", L"PrinterInstallCdTest.pdf"));
    ASSERT_TRUE(SetKey(L"PrinterInstallCdTest.pdf\\shell\\open\\command", L"\"" + reader + L"\" \"%1\""));
    e2e::SystemSetUpHost host(e2e::StandInExe());
    ASSERT_TRUE(host.Installed());

    {
        Program program(cd);
        ASSERT_TRUE(program.Start());
        // The pages.
        ASSERT_TRUE(program.ClickAndWait(IDC_BTN_MANUAL));
        EXPECT_TRUE(program.Visible(IDC_STC_MANUAL_HINT));
        EXPECT_FALSE(program.Visible(IDC_CBO_PORT));
        ASSERT_TRUE(program.ClickAndWait(IDC_BTN_FIRMWARE));
        EXPECT_TRUE(program.Visible(IDC_EDT_VERSIONFILE));
        ASSERT_TRUE(program.ClickAndWait(IDC_BTN_DRIVER));
        EXPECT_TRUE(program.Visible(IDC_RAD_DEFAULT_YES));
        EXPECT_EQ(e2e::Entries(program.Item(IDC_CBO_SERIES)).size(), 3u);

        // A manual opens from the disc.
        ASSERT_TRUE(program.ClickAndWait(IDC_BTN_MANUAL));
        HWND list = program.Item(IDC_LST_MODEL);
        const LRESULT model = ::SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(L"OP-730K"));
        ASSERT_NE(model, LB_ERR);
        ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(model), 0);
        program.Click(IDC_BTN_NEXT);
        ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::LogLines(reader + L".log").size() == 1; }));
        EXPECT_NE(e2e::LogLines(reader + L".log")[0].find(cd + L"OrvaneManual\\OP-730K.pdf"), std::wstring::npos)
            << e2e::LogLines(reader + L".log")[0];

        // An installation whose set-up command creates no printer reports it.
        ASSERT_NO_FATAL_FAILURE(e2e::ExpectFailedInstallation(program, host));

        // The sample firmware from the disc reaches the simulated printer.
        ASSERT_TRUE(program.ClickAndWait(IDC_BTN_FIRMWARE));
        const std::wstring firmware = cd + L"Firmware\\OP-730K_V1.18_demo.mot";
        DWORD_PTR ignored = 0;
        ASSERT_TRUE(::SendMessageTimeoutW(program.Item(IDC_EDT_VERSIONFILE), WM_SETTEXT, 0,
                                          reinterpret_cast<LPARAM>(firmware.c_str()), SMTO_NORMAL, 5000, &ignored));
        auto confirm = probe::AnswerNextMessageBox(program.Pid(), IDYES, 10000);
        program.Click(IDC_BTN_NEXT);
        ASSERT_TRUE(confirm.get()) << "no confirmation";
        EXPECT_EQ(probe::AnswerNextMessageBox(program.Pid(), IDOK, 60000).get().text, L"打印机版本更新成功！");
        EXPECT_TRUE(lpttest::SameBytes(e2e::ReadFileBytes(capture), e2e::ReadFileBytes(firmware)));
        ASSERT_TRUE(e2e::WaitUntil([&] { return program.Enabled(IDC_BTN_NEXT); }, 5000));

        program.Click(IDC_BTN_EXIT);
        EXPECT_TRUE(program.WaitForExit(10000));
    }
    EXPECT_EQ(Listing(cd), before) << "nothing new on the disc";
}

}  // namespace
