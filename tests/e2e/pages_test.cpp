// The three pages, their lists, Cancel, the manual viewer and the companion
// buttons, driven through the real window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program_under_test.h"
#include "res/resource.h"
#include "support/window_probe.h"

namespace {

using e2e::Medium;
using e2e::Program;

std::vector<std::wstring> ComboEntries(HWND combo) {
    std::vector<std::wstring> out;
    const int n = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t buf[512] = {};
        ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        out.emplace_back(buf);
    }
    return out;
}

std::wstring ComboSelection(HWND combo) {
    const int sel = static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0));
    if (sel < 0) return L"<none>";
    wchar_t buf[512] = {};
    ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(buf));
    return buf;
}

std::vector<std::wstring> ListEntries(HWND list) {
    std::vector<std::wstring> out;
    const int n = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t buf[512] = {};
        ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
        out.emplace_back(buf);
    }
    return out;
}

std::wstring ListSelection(HWND list) {
    const int sel = static_cast<int>(::SendMessageW(list, LB_GETCURSEL, 0, 0));
    if (sel < 0) return L"<none>";
    wchar_t buf[512] = {};
    ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(sel), reinterpret_cast<LPARAM>(buf));
    return buf;
}

bool Checked(const Program& p, int id) { return ::SendMessageW(p.Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

// Controls that change with the page (everything but the left buttons,
// Next, Cancel and the title).
const int kPageControls[] = {1004, 1005, 1006, 1007, 1008, 1009, 1010, 1015, 1016, 1017, 1018, 1020, 1021,
                             1022, 1023, 1024, 1025, 1027, 1028, 1029, 1030, 1031, 1032, 1033, 1035, 1036, 1037};

std::vector<int> VisiblePageControls(const Program& p) {
    std::vector<int> out;
    for (int id : kPageControls)
        if (p.Visible(id)) out.push_back(id);
    return out;
}

// Switches page with its button and waits until the program has done it.
void ShowPage(const Program& p, int button) { ASSERT_TRUE(p.ClickAndWait(button)); }

// What the user sees once the window has painted itself.
void Shot(const Program& p, const wchar_t* name) {
    ::Sleep(600);
    EXPECT_TRUE(probe::SaveWindowShot(p.Window(), probe::ArtefactDir() + name));
}

const std::wstring kCatalogueSorted =
    L"[PRINTER_SERIES]\r\nSeries A\r\nSeries B\r\n\r\n"
    L"[Series A]\r\nbeta\r\ngamma\r\nalpha\r\n\r\n"
    L"[Series B]\r\nzeta\r\neta\r\n\r\n"
    L"[PRINTER_MAN]\r\nalpha=alpha.pdf\r\n\r\n"
    L"[OTHER_SOFTWARE]\r\nQuorin=Quorin\\Quorin.exe\r\n";

TEST(Pages, EachShowsExactlyItsControls) {
    Medium medium;
    Program program(medium);
    ASSERT_TRUE(program.Start());
    const std::vector<int> driver = {1004, 1005, 1006, 1007, 1008, 1009, 1010, 1015, 1016, 1017, 1018, 1027, 1028};
    const std::vector<int> manual = {1005, 1006, 1016, 1035, 1036};
    const std::vector<int> firmware = {1004, 1015, 1020, 1021, 1022, 1023, 1024, 1025, 1029, 1030, 1031, 1032, 1033};
    EXPECT_EQ(VisiblePageControls(program), driver) << "the driver page comes first";
    Shot(program, L"page-driver.bmp");

    ShowPage(program, IDC_BTN_MANUAL);
    EXPECT_EQ(VisiblePageControls(program), manual);
    Shot(program, L"page-manual.bmp");

    ShowPage(program, IDC_BTN_FIRMWARE);
    EXPECT_EQ(VisiblePageControls(program), firmware);
    EXPECT_EQ(ComboEntries(program.Item(IDC_CBO_PORT)), std::vector<std::wstring>{L"并口"});
    EXPECT_EQ(ComboSelection(program.Item(IDC_CBO_PORT)), L"并口");
    Shot(program, L"page-firmware.bmp");

    ShowPage(program, IDC_BTN_DRIVER);
    EXPECT_EQ(VisiblePageControls(program), driver);
    for (int id : {1000, 1001, 1002, 1003, 1011, 1019, 1013, 1014, 1034}) EXPECT_TRUE(program.Visible(id)) << id;
}

TEST(Pages, DriverPageListsPortsSeriesAndSortedModels) {
    Medium medium;
    ASSERT_TRUE(medium.PutCatalogue(kCatalogueSorted));
    Program program(medium);
    ASSERT_TRUE(program.Start());
    const auto ports = ComboEntries(program.Item(IDC_CBO_PORT));
    EXPECT_FALSE(ports.empty());
    EXPECT_EQ(ComboSelection(program.Item(IDC_CBO_PORT)), L"LPT1:");
    EXPECT_EQ(ComboEntries(program.Item(IDC_CBO_SERIES)), (std::vector<std::wstring>{L"Series A", L"Series B"}));
    EXPECT_EQ(ComboSelection(program.Item(IDC_CBO_SERIES)), L"Series A");
    EXPECT_EQ(ListEntries(program.Item(IDC_LST_MODEL)), (std::vector<std::wstring>{L"alpha", L"beta", L"gamma"}));
    EXPECT_EQ(ListSelection(program.Item(IDC_LST_MODEL)), L"alpha");
    EXPECT_TRUE(Checked(program, IDC_RAD_DEFAULT_YES));
    EXPECT_TRUE(Checked(program, IDC_RAD_TESTPAGE_NO));

    // Choosing another series refills the models.
    HWND series = program.Item(IDC_CBO_SERIES);
    ::SendMessageW(series, CB_SETCURSEL, 1, 0);
    ::SendMessageW(program.Window(), WM_COMMAND, MAKEWPARAM(IDC_CBO_SERIES, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(series));
    EXPECT_EQ(ListEntries(program.Item(IDC_LST_MODEL)), (std::vector<std::wstring>{L"eta", L"zeta"}));
    EXPECT_EQ(ListSelection(program.Item(IDC_LST_MODEL)), L"eta");

    // Pressing the shown page's button rebuilds it: LPT1: and the first series again.
    ::SendMessageW(program.Item(IDC_CBO_PORT), CB_SETCURSEL, static_cast<WPARAM>(ports.size() - 1), 0);
    ShowPage(program, IDC_BTN_DRIVER);
    EXPECT_EQ(ComboSelection(program.Item(IDC_CBO_PORT)), L"LPT1:");
    EXPECT_EQ(ComboSelection(program.Item(IDC_CBO_SERIES)), L"Series A");
    EXPECT_EQ(ComboEntries(program.Item(IDC_CBO_PORT)).size(), ports.size());
}

TEST(Pages, CancelPutsTheChoicesBack) {
    Medium medium;
    ASSERT_TRUE(medium.PutCatalogue(kCatalogueSorted));
    Program program(medium);
    ASSERT_TRUE(program.Start());
    HWND series = program.Item(IDC_CBO_SERIES);
    ::SendMessageW(series, CB_SETCURSEL, 1, 0);
    ::SendMessageW(program.Window(), WM_COMMAND, MAKEWPARAM(IDC_CBO_SERIES, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(series));
    ::SendMessageW(program.Item(IDC_LST_MODEL), LB_SETCURSEL, 1, 0);
    ::SendMessageW(program.Item(IDC_CBO_PORT), CB_SETCURSEL, 2, 0);
    ::SendMessageW(program.Item(IDC_RAD_DEFAULT_YES), BM_SETCHECK, BST_UNCHECKED, 0);
    ::SendMessageW(program.Item(IDC_RAD_DEFAULT_NO), BM_SETCHECK, BST_CHECKED, 0);
    ::SendMessageW(program.Item(IDC_RAD_TESTPAGE_NO), BM_SETCHECK, BST_UNCHECKED, 0);
    ::SendMessageW(program.Item(IDC_RAD_TESTPAGE_YES), BM_SETCHECK, BST_CHECKED, 0);

    ASSERT_TRUE(program.ClickAndWait(IDC_BTN_CANCEL));
    EXPECT_EQ(ComboSelection(program.Item(IDC_CBO_PORT)), L"LPT1:");
    EXPECT_EQ(ComboSelection(series), L"Series A");
    EXPECT_EQ(ComboEntries(series).size(), 2u) << "Cancel keeps the series list";
    EXPECT_EQ(ListEntries(program.Item(IDC_LST_MODEL)), (std::vector<std::wstring>{L"alpha", L"beta", L"gamma"}));
    EXPECT_EQ(ListSelection(program.Item(IDC_LST_MODEL)), L"alpha");
    EXPECT_TRUE(Checked(program, IDC_RAD_DEFAULT_YES));
    EXPECT_FALSE(Checked(program, IDC_RAD_DEFAULT_NO));
    EXPECT_TRUE(Checked(program, IDC_RAD_TESTPAGE_NO));
    EXPECT_FALSE(Checked(program, IDC_RAD_TESTPAGE_YES));
    EXPECT_TRUE(program.Visible(IDC_CBO_PORT)) << "Cancel keeps the page";

    // Cancel on the firmware page clears a typed path and keeps the page.
    ShowPage(program, IDC_BTN_FIRMWARE);
    ::SendMessageW(program.Item(IDC_EDT_VERSIONFILE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"C:\\fw.mot"));
    ASSERT_TRUE(program.ClickAndWait(IDC_BTN_CANCEL));
    EXPECT_EQ(program.ItemText(IDC_EDT_VERSIONFILE), L"");
    EXPECT_TRUE(program.Visible(IDC_EDT_VERSIONFILE));
}

TEST(Pages, AChoiceNotYetReadIsReplacedOnAPageSwitch) {
    Medium medium;
    Program program(medium);
    ASSERT_TRUE(program.Start());
    // Typed and clicked, but never read into the fields by Next.
    ::SendMessageW(program.Item(IDC_RAD_TESTPAGE_NO), BM_SETCHECK, BST_UNCHECKED, 0);
    ::SendMessageW(program.Item(IDC_RAD_TESTPAGE_YES), BM_SETCHECK, BST_CHECKED, 0);
    ::SendMessageW(program.Item(IDC_EDT_VERSIONFILE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"C:\\typed.mot"));
    ShowPage(program, IDC_BTN_MANUAL);
    ShowPage(program, IDC_BTN_DRIVER);
    EXPECT_TRUE(Checked(program, IDC_RAD_TESTPAGE_NO));
    EXPECT_FALSE(Checked(program, IDC_RAD_TESTPAGE_YES));
    EXPECT_EQ(program.ItemText(IDC_EDT_VERSIONFILE), L"");
}

TEST(Pages, ManualPageOffersEverySeries) {
    Medium medium;
    Program program(medium);
    ASSERT_TRUE(program.Start());
    ShowPage(program, IDC_BTN_MANUAL);
    EXPECT_EQ(ComboEntries(program.Item(IDC_CBO_SERIES)),
              (std::vector<std::wstring>{L"Orvane 经典24针系列", L"Orvane 曜驰高速系列", L"Orvane 9针系列"}));
    EXPECT_EQ(ComboSelection(program.Item(IDC_CBO_SERIES)), L"Orvane 经典24针系列");
    EXPECT_EQ(ListEntries(program.Item(IDC_LST_MODEL)),
              (std::vector<std::wstring>{L"OP-610K", L"OP-630K", L"OP-730K"}));
    EXPECT_EQ(ListSelection(program.Item(IDC_LST_MODEL)), L"OP-610K");
}

TEST(Pages, WithoutACatalogueTheListsStayEmpty) {
    Medium medium;
    ASSERT_TRUE(medium.Remove(L"PrinterInfor.Inf"));
    Program program(medium);
    ASSERT_TRUE(program.Start());
    EXPECT_TRUE(ComboEntries(program.Item(IDC_CBO_SERIES)).empty());
    EXPECT_TRUE(ListEntries(program.Item(IDC_LST_MODEL)).empty());
    ShowPage(program, IDC_BTN_MANUAL);
    auto box = probe::AnswerNextMessageBox(program.Pid(), IDOK);
    program.Click(IDC_BTN_NEXT);
    const auto info = box.get();
    EXPECT_EQ(info.text, L"请选择打印机！");
    EXPECT_EQ(info.caption, L"Printer Install");
}

}  // namespace
