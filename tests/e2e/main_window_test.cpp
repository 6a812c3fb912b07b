// The main window as a user meets it: caption, frame, size, the controls of
// the template, the keys and the two ways out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "program_under_test.h"
#include "res/resource.h"
#include "support/window_probe.h"

namespace {

struct ControlRow {
    int id;
    const wchar_t* cls;
};

// Every control of the window, in template order.
const ControlRow kControls[] = {
    {1000, L"Button"}, {1001, L"Button"}, {1002, L"Button"}, {1003, L"Button"},
    {1011, L"Button"}, {1019, L"Button"}, {1013, L"Button"}, {1014, L"Button"},
    {1034, L"Static"}, {1015, L"Static"}, {1004, L"ComboBox"}, {1037, L"Static"},
    {1016, L"Static"}, {1005, L"ComboBox"}, {1006, L"ListBox"}, {1017, L"Static"},
    {1007, L"Button"}, {1008, L"Button"}, {1018, L"Static"}, {1009, L"Button"},
    {1010, L"Button"}, {1027, L"Static"}, {1028, L"Static"}, {1035, L"Static"},
    {1036, L"Static"}, {1020, L"Static"}, {1021, L"Edit"}, {1022, L"Button"},
    {1033, L"Static"}, {1023, L"Static"}, {1032, L"Static"}, {1029, L"Static"},
    {1030, L"Static"}, {1031, L"Static"}, {1025, L"Static"}, {1024, L"msctls_progress32"},
};

TEST(MainWindow, LooksAsTheTemplateSays) {
    e2e::Medium medium;
    e2e::Program program(medium);
    ASSERT_TRUE(program.Start());
    HWND wnd = program.Window();

    EXPECT_EQ(probe::TextOf(wnd), L"Orvane Printer Install V1.117.0");
    const LONG style = ::GetWindowLongW(wnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX) << "the window cannot be maximised";
    EXPECT_FALSE(style & WS_THICKFRAME) << "the window cannot be resized";
    EXPECT_TRUE(::GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    RECT rc{};
    ::GetClientRect(wnd, &rc);
    EXPECT_NEAR(rc.right, 836, 8);
    EXPECT_NEAR(rc.bottom, 600, 8);

    int children = 0;
    for (HWND c = ::GetWindow(wnd, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) ++children;
    EXPECT_EQ(children, 36);
    HWND prev = nullptr;
    for (const auto& row : kControls) {
        HWND c = program.Item(row.id);
        ASSERT_NE(c, nullptr) << row.id;
        EXPECT_EQ(probe::ClassOf(c), row.cls) << row.id;
        if (prev) {
            EXPECT_EQ(::GetWindow(prev, GW_HWNDNEXT), c) << "template order at " << row.id;
        }
        prev = c;
    }
    EXPECT_EQ(program.ItemText(IDC_BTN_NEXT), L"下一步");
    EXPECT_EQ(program.ItemText(IDC_BTN_CANCEL), L"取 消");

    // The background bitmap is behind everything: blue on the left panel,
    // white on the right, stretched over the whole client area.
    const COLORREF panel = probe::ClientPixel(wnd, 5, rc.bottom - 5);
    EXPECT_GT(GetBValue(panel), 120);
    EXPECT_LT(GetRValue(panel), 90);
    const COLORREF right = probe::ClientPixel(wnd, rc.right - 4, 4);
    EXPECT_GT(GetRValue(right), 230);
    EXPECT_GT(GetGValue(right), 230);

    EXPECT_TRUE(probe::SaveWindowShot(wnd, probe::ArtefactDir() + L"main-window.bmp"));
    program.Click(IDC_BTN_EXIT);
    EXPECT_TRUE(program.WaitForExit(10000));
}

// What the executable carries, read from the file as Explorer would.
TEST(ProgramFile, CarriesManifestVersionIconDialogAndBitmaps) {
    const std::wstring exe = e2e::DemoMediumDir() + L"Printer Install.exe";
    HMODULE mod = ::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(mod, nullptr);
    const WORD zh = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
    EXPECT_EQ(zh, 2052);
    EXPECT_NE(::FindResourceExW(mod, RT_DIALOG, MAKEINTRESOURCEW(IDD_PRINTERINSTALL_DIALOG), zh), nullptr);
    EXPECT_NE(::FindResourceExW(mod, RT_GROUP_ICON, MAKEINTRESOURCEW(IDR_MAINFRAME), zh), nullptr);
    EXPECT_NE(::FindResourceW(mod, MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);
    struct Bmp {
        int id, w, h;
    } const bitmaps[] = {{130, 154, 34}, {131, 154, 34}, {132, 154, 34}, {133, 154, 34}, {134, 154, 34},
                         {135, 154, 34}, {136, 154, 34}, {137, 154, 34}, {146, 153, 34}, {147, 153, 34},
                         {148, 153, 34}, {149, 153, 34}, {140, 47, 45},  {143, 836, 600}};
    for (const auto& b : bitmaps) {
        HRSRC r = ::FindResourceExW(mod, RT_BITMAP, MAKEINTRESOURCEW(b.id), zh);
        ASSERT_NE(r, nullptr) << b.id;
        const auto* info = static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(mod, r)));
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->biWidth, b.w) << b.id;
        EXPECT_EQ(std::abs(info->biHeight), b.h) << b.id;
        EXPECT_EQ(info->biBitCount, 24) << b.id;
    }
    HRSRC manifest = ::FindResourceW(mod, MAKEINTRESOURCEW(1), RT_MANIFEST);
    std::string text(static_cast<const char*>(::LockResource(::LoadResource(mod, manifest))),
                     ::SizeofResource(mod, manifest));
    EXPECT_NE(text.find("requireAdministrator"), std::string::npos);
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("amd64"), std::string::npos);
    EXPECT_NE(text.find("{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"), std::string::npos) << "Windows 7";
    EXPECT_NE(text.find("{e2011457-1546-43c5-a5fe-008deee3d3f0}"), std::string::npos) << "Windows Vista";
    ::FreeLibrary(mod);

    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(::GetFileVersionInfoW(exe.c_str(), 0, size, data.data()));
    auto value = [&](const wchar_t* key) {
        void* p = nullptr;
        UINT len = 0;
        std::wstring q = std::wstring(L"\\StringFileInfo\\080404b0\\") + key;
        if (!::VerQueryValueW(data.data(), q.c_str(), &p, &len) || !p) return std::wstring();
        return std::wstring(static_cast<const wchar_t*>(p));
    };
    EXPECT_EQ(value(L"CompanyName"), L"Orvane");
    EXPECT_EQ(value(L"FileDescription"), L"Orvane Printer Install");
    EXPECT_EQ(value(L"FileVersion"), L"1, 117, 0, 0");
    EXPECT_EQ(value(L"ProductVersion"), L"1, 117, 0, 0");
    EXPECT_EQ(value(L"InternalName"), L"Printer Install.exe");
    EXPECT_EQ(value(L"OriginalFilename"), L"Printer Install.exe");
}

TEST(MainWindow, EnterDoesNothingExitAndCloseBoxEndTheProgram) {
    e2e::Medium medium;
    {
        e2e::Program program(medium);
        ASSERT_TRUE(program.Start());
        ::PostMessageW(program.Item(IDC_BTN_DRIVER), WM_KEYDOWN, VK_RETURN, 0);
        ::PostMessageW(program.Item(IDC_BTN_NEXT), WM_KEYDOWN, VK_RETURN, 0);
        ::PostMessageW(program.Window(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_FALSE(program.WaitForExit(800)) << "Enter must not close the window";
        EXPECT_TRUE(::IsWindowVisible(program.Window()));
        EXPECT_FALSE(probe::FindMessageBox(program.Pid())) << "nor ask anything";
        program.Click(IDC_BTN_EXIT);
        EXPECT_TRUE(program.WaitForExit(10000)) << "Exit while idle closes at once";
    }
    {
        e2e::Program program(medium);
        ASSERT_TRUE(program.Start());
        ::PostMessageW(program.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_TRUE(program.WaitForExit(10000)) << "the close box ends the program";
    }
}

TEST(MainWindow, MinimisesAndComesBack) {
    e2e::Medium medium;
    e2e::Program program(medium);
    ASSERT_TRUE(program.Start());
    ::PostMessageW(program.Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return ::IsIconic(program.Window()) != FALSE; }));
    ::PostMessageW(program.Window(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    ::PostMessageW(program.Window(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !::IsIconic(program.Window()) && !::IsZoomed(program.Window()); }));
    RECT rc{};
    ::GetClientRect(program.Window(), &rc);
    EXPECT_NEAR(rc.right, 836, 8) << "not resized by maximise";
    program.Click(IDC_BTN_EXIT);
    EXPECT_TRUE(program.WaitForExit(10000));
}

}  // namespace
