// The three pages, their lists and Cancel, driven through the real window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program_under_test.h"
#include "res/resource.h"
#include "support/window_probe.h"

namespace {

using e2e::Entries;
using e2e::Medium;
using e2e::Program;
using e2e::Selection;
using Texts = std::vector<std::wstring>;

bool Checked(const Program& p, int id) { return ::SendMessageW(p.Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Check(const Program& p, int on, int off) {
    ::SendMessageW(p.Item(off), BM_SETCHECK, BST_UNCHECKED, 0);
    ::SendMessageW(p.Item(on), BM_SETCHECK, BST_CHECKED, 0);
}

// Controls that change with the page (everything but the left buttons,
// Next, Cancel and the title).
const int kPageControls[] = {1004, 1005, 1006, 1007, 1008, 1009, 1010, 1015, 1016, 1017, 1018, 1020, 1021,
                             1022, 1023, 1024, 1025, 1027, 1028, 1029, 1030, 1031, 1032, 1033, 1035, 1036, 1037};

TEST(Pages, EachShowsExactlyItsControlsTitleAndLists) {
    Medium medium;
    Program program(medium);
    ASSERT_TRUE(program.Start());
    const std::vector<int> driver = {1004, 1005, 1006, 1007, 1008, 1009, 1010, 1015, 1016, 1017, 1018, 1027, 1028};
    const Texts series = {L"Orvane 经典24针系列", L"Orvane 曜驰高速系列", L"Orvane 9针系列"};
    const struct {
        int button;  // 0: the page shown at start
        std::vector<int> visible;
        const wchar_t* shot;
        int list;  // a list of the page, its entries and selection
        Texts entries;
    } pages[] = {
        {0, driver, L"page-driver.bmp", IDC_CBO_SERIES, series},
        {IDC_BTN_MANUAL, {1005, 1006, 1016, 1035, 1036}, L"page-manual.bmp", IDC_LST_MODEL,
         {L"OP-610K", L"OP-630K", L"OP-730K"}},
        {IDC_BTN_FIRMWARE, {1004, 1015, 1020, 1021, 1022, 1023, 1024, 1025, 1029, 1030, 1031, 1032, 1033},
         L"page-firmware.bmp", IDC_CBO_PORT, {L"并口"}},
        {IDC_BTN_DRIVER, driver, nullptr, IDC_CBO_SERIES, series},
    };
    // The title is drawn, not window text: its pixels tell the pages apart.
    std::vector<std::string> titles;
    for (const auto& page : pages) {
        SCOPED_TRACE(page.button);
        ASSERT_TRUE(!page.button || program.ClickAndWait(page.button));
        std::vector<int> visible;
        for (int id : kPageControls)
            if (program.Visible(id)) visible.push_back(id);
        EXPECT_EQ(visible, page.visible);
        for (int id : {1000, 1001, 1002, 1003, 1011, 1019, 1013, 1014, 1034}) EXPECT_TRUE(program.Visible(id)) << id;
        EXPECT_EQ(Entries(program.Item(page.list)), page.entries);
        EXPECT_EQ(Selection(program.Item(page.list)), page.entries.front());
        ::Sleep(600);  // what the user sees once the window has painted itself
        EXPECT_TRUE(!page.shot || probe::SaveWindowShot(program.Window(), probe::ArtefactDir() + page.shot));
        ASSERT_TRUE(probe::SaveWindowShot(program.Item(IDC_STC_TITLE), medium.Path(L"title.bmp")));
        titles.push_back(e2e::ReadFileBytes(medium.Path(L"title.bmp")));
    }
    EXPECT_NE(titles[0], titles[1]);
    EXPECT_NE(titles[0], titles[2]);
    EXPECT_NE(titles[1], titles[2]);
    EXPECT_EQ(titles[3], titles[0]) << "the driver page's title again";
}

// Models are listed sorted with the first selected; Cancel and the shown
// page's button put every choice back; a choice not yet read by Next is
// replaced on a page switch.
TEST(Pages, ListsSortedAndCancelOrAPageSwitchPutsTheChoicesBack) {
    Medium medium;
    ASSERT_TRUE(medium.PutCatalogue(L"[PRINTER_SERIES]\r\nSeries A\r\nSeries B\r\n\r\n"
                                    L"[Series A]\r\nbeta\r\ngamma\r\nalpha\r\n\r\n"
                                    L"[Series B]\r\nzeta\r\neta\r\n\r\n"
                                    L"[PRINTER_MAN]\r\nalpha=alpha.pdf\r\n\r\n"
                                    L"[OTHER_SOFTWARE]\r\nQuorin=Quorin\\Quorin.exe\r\n"));
    Program program(medium);
    ASSERT_TRUE(program.Start());
    HWND port = program.Item(IDC_CBO_PORT);
    HWND series = program.Item(IDC_CBO_SERIES);
    HWND models = program.Item(IDC_LST_MODEL);
    const size_t ports = Entries(port).size();
    ASSERT_GE(ports, 3u);
    auto expectStart = [&] {
        EXPECT_EQ(Selection(port), L"LPT1:");
        EXPECT_EQ(Entries(port).size(), ports);
        EXPECT_EQ(Entries(series), (Texts{L"Series A", L"Series B"}));
        EXPECT_EQ(Selection(series), L"Series A");
        EXPECT_EQ(Entries(models), (Texts{L"alpha", L"beta", L"gamma"}));
        EXPECT_EQ(Selection(models), L"alpha");
        EXPECT_TRUE(Checked(program, IDC_RAD_DEFAULT_YES) && !Checked(program, IDC_RAD_DEFAULT_NO));
        EXPECT_TRUE(Checked(program, IDC_RAD_TESTPAGE_NO) && !Checked(program, IDC_RAD_TESTPAGE_YES));
    };
    expectStart();
    for (int reset : {IDC_BTN_CANCEL, IDC_BTN_DRIVER, IDC_BTN_MANUAL}) {
        SCOPED_TRACE(reset);
        // Choosing another series refills the models.
        ::SendMessageW(series, CB_SETCURSEL, 1, 0);
        ::SendMessageW(program.Window(), WM_COMMAND, MAKEWPARAM(IDC_CBO_SERIES, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(series));
        EXPECT_EQ(Entries(models), (Texts{L"eta", L"zeta"}));
        EXPECT_EQ(Selection(models), L"eta");
        ::SendMessageW(models, LB_SETCURSEL, 1, 0);
        ::SendMessageW(port, CB_SETCURSEL, 2, 0);
        Check(program, IDC_RAD_DEFAULT_NO, IDC_RAD_DEFAULT_YES);
        Check(program, IDC_RAD_TESTPAGE_YES, IDC_RAD_TESTPAGE_NO);
        ASSERT_TRUE(program.ClickAndWait(reset));
        ASSERT_TRUE(reset != IDC_BTN_MANUAL || program.ClickAndWait(IDC_BTN_DRIVER));
        EXPECT_TRUE(program.Visible(IDC_CBO_PORT)) << "the driver page stays";
        expectStart();
    }
    // Cancel on the firmware page clears a typed path and keeps the page; so
    // does a page switch.
    for (int reset : {IDC_BTN_CANCEL, IDC_BTN_MANUAL}) {
        ASSERT_TRUE(program.ClickAndWait(IDC_BTN_FIRMWARE));
        ::SendMessageW(program.Item(IDC_EDT_VERSIONFILE), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"C:\\fw.mot"));
        ASSERT_TRUE(program.ClickAndWait(reset));
        ASSERT_TRUE(reset != IDC_BTN_MANUAL || program.ClickAndWait(IDC_BTN_FIRMWARE));
        EXPECT_EQ(program.ItemText(IDC_EDT_VERSIONFILE), L"") << reset;
        EXPECT_TRUE(program.Visible(IDC_EDT_VERSIONFILE));
    }
}

TEST(Pages, WithoutACatalogueTheListsStayEmpty) {
    Medium medium;
    ASSERT_TRUE(medium.Remove(L"PrinterInfor.Inf"));
    Program program(medium);
    ASSERT_TRUE(program.Start());
    EXPECT_TRUE(Entries(program.Item(IDC_CBO_SERIES)).empty());
    EXPECT_TRUE(Entries(program.Item(IDC_LST_MODEL)).empty());
    ASSERT_TRUE(program.ClickAndWait(IDC_BTN_MANUAL));
    program.Click(IDC_BTN_NEXT);
    const auto info = probe::WaitForMessageBox(program.Pid(), 10000);
    EXPECT_EQ(info.text, L"请选择打印机！");
    EXPECT_EQ(info.caption, L"Printer Install");
}

}  // namespace
