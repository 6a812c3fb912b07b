// The main window as a user meets it: caption, frame, size, the controls of
// the template, the keys and the two ways out; and what the program file
// carries.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "program_under_test.h"
#include "res/resource.h"
#include "support/window_probe.h"

namespace {

// Every control of the window, in template order.
const struct {
    int id;
    const wchar_t* cls;
} kControls[] = {
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
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0) << "the window can be neither maximised nor resized";
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
        EXPECT_TRUE(!prev || ::GetWindow(prev, GW_HWNDNEXT) == c) << "template order at " << row.id;
        prev = c;
    }
    EXPECT_EQ(program.ItemText(IDC_BTN_NEXT), L"下一步");
    EXPECT_EQ(program.ItemText(IDC_BTN_CANCEL), L"取 消");
    // The background bitmap is behind everything: blue on the left panel,
    // white on the right, stretched over the whole client area.
    const COLORREF panel = probe::ClientPixel(wnd, 5, rc.bottom - 5);
    const COLORREF right = probe::ClientPixel(wnd, rc.right - 4, 4);
    EXPECT_TRUE(GetBValue(panel) > 120 && GetRValue(panel) < 90) << std::hex << panel;
    EXPECT_TRUE(GetRValue(right) > 230 && GetGValue(right) > 230) << std::hex << right;
    EXPECT_TRUE(probe::SaveWindowShot(wnd, probe::ArtefactDir() + L"main-window.bmp"));
}

TEST(MainWindow, EnterDoesNothingExitAndCloseBoxEndTheProgram) {
    e2e::Medium medium;
    for (bool closeBox : {false, true}) {
        e2e::Program program(medium);
        ASSERT_TRUE(program.Start());
        ::PostMessageW(program.Item(IDC_BTN_DRIVER), WM_KEYDOWN, VK_RETURN, 0);
        ::PostMessageW(program.Item(IDC_BTN_NEXT), WM_KEYDOWN, VK_RETURN, 0);
        ::PostMessageW(program.Window(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_FALSE(program.WaitForExit(800)) << "Enter must not close the window";
        EXPECT_FALSE(probe::FindMessageBox(program.Pid())) << "nor ask anything";
        // Minimised and back: the minimised window draws its icon.
        ::PostMessageW(program.Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_TRUE(e2e::WaitUntil([&] { return ::IsIconic(program.Window()) != FALSE; }));
        ::PostMessageW(program.Window(), WM_SYSCOMMAND, SC_RESTORE, 0);
        EXPECT_TRUE(e2e::WaitUntil([&] { return !::IsIconic(program.Window()); }));
        if (closeBox) ::PostMessageW(program.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
        else program.Click(IDC_BTN_EXIT);
        EXPECT_TRUE(program.WaitForExit(10000)) << "idle, " << (closeBox ? "the close box" : "Exit") << " ends it";
    }
}

// What the executable carries, read from the file as Explorer would.
TEST(ProgramFile, CarriesManifestVersionIconDialogAndBitmaps) {
    const std::wstring exe = e2e::DemoMediumDir() + L"Printer Install.exe";
    HMODULE mod = ::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(mod, nullptr);
    const WORD zh = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
    EXPECT_NE(::FindResourceExW(mod, RT_DIALOG, MAKEINTRESOURCEW(IDD_PRINTERINSTALL_DIALOG), zh), nullptr);
    EXPECT_NE(::FindResourceExW(mod, RT_GROUP_ICON, MAKEINTRESOURCEW(IDR_MAINFRAME), zh), nullptr);
    const struct {
        int id, w, h;
    } bitmaps[] = {{130, 154, 34}, {131, 154, 34}, {132, 154, 34}, {133, 154, 34}, {134, 154, 34},
                   {135, 154, 34}, {136, 154, 34}, {137, 154, 34}, {146, 153, 34}, {147, 153, 34},
                   {148, 153, 34}, {149, 153, 34}, {140, 47, 45},  {143, 836, 600}};
    for (const auto& b : bitmaps) {
        HRSRC r = ::FindResourceExW(mod, RT_BITMAP, MAKEINTRESOURCEW(b.id), zh);
        ASSERT_NE(r, nullptr) << b.id;
        const auto* info = static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(mod, r)));
        EXPECT_EQ(info->biWidth, b.w) << b.id;
        EXPECT_EQ(std::abs(info->biHeight), b.h) << b.id;
        EXPECT_EQ(info->biBitCount, 24) << b.id;
    }
    HRSRC manifest = ::FindResourceW(mod, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(manifest, nullptr);
    const std::string text(static_cast<const char*>(::LockResource(::LoadResource(mod, manifest))),
                           ::SizeofResource(mod, manifest));
    for (const char* part : {"requireAdministrator", "Microsoft.Windows.Common-Controls", "amd64",
                             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}" /* Windows 7 */,
                             "{e2011457-1546-43c5-a5fe-008deee3d3f0}" /* Windows Vista */})
        EXPECT_NE(text.find(part), std::string::npos) << part;
    ::FreeLibrary(mod);

    DWORD ignored = 0;
    std::vector<char> data(::GetFileVersionInfoSizeW(exe.c_str(), &ignored));
    ASSERT_TRUE(::GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
    const struct {
        const wchar_t *key, *value;
    } versions[] = {{L"CompanyName", L"Orvane"},           {L"FileDescription", L"Orvane Printer Install"},
                    {L"FileVersion", L"1, 117, 0, 0"},     {L"ProductVersion", L"1, 117, 0, 0"},
                    {L"InternalName", L"Printer Install.exe"}, {L"OriginalFilename", L"Printer Install.exe"}};
    for (const auto& v : versions) {
        void* p = nullptr;
        UINT len = 0;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\080404b0\\") + v.key;
        ASSERT_TRUE(::VerQueryValueW(data.data(), query.c_str(), &p, &len) && p) << v.key;
        EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(p)), v.value);
    }
}

}  // namespace
