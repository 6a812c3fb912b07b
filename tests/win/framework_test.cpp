// Our thin window layer: subclassing, handle owners, a dialog's end, and
// the data exchange towards the controls.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <stdexcept>
#include <string>

#include "res/resource.h"
#include "win/dialog.h"
#include "win/unique.h"
#include "win/wnd.h"

namespace {

constexpr UINT kCounted = WM_APP + 11;

class Counting : public CWnd {
public:
    int seen = 0;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == kCounted) ++seen;
        return DefWindowProcChain(msg, wp, lp);
    }
};

// Regression: every object subclassed under the same id, so a second object
// taking over a window silently replaced the first one's subclass.
TEST(Subclass, TwoObjectsOnOneWindowEachSeeItsMessagesAndLetGoAlone) {
    win::UniqueWindow wnd(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(wnd);
    Counting first, second;
    ASSERT_TRUE(first.SubclassWindow(wnd.get()));
    ASSERT_TRUE(second.SubclassWindow(wnd.get()));
    ::SendMessageW(wnd.get(), kCounted, 0, 0);
    EXPECT_EQ(first.seen, 1);
    EXPECT_EQ(second.seen, 1);
    second.UnsubclassWindow();
    ::SendMessageW(wnd.get(), kCounted, 0, 0);
    EXPECT_EQ(first.seen, 2) << "the first object keeps its own subclass";
    EXPECT_EQ(second.seen, 1);
    first.UnsubclassWindow();
    ::SendMessageW(wnd.get(), kCounted, 0, 0);
    EXPECT_EQ(first.seen, 2);
}

// Regression: a file handle owner counted only INVALID_HANDLE_VALUE as no
// handle, so a null one (a zero-filled record, a call that fails with null)
// looked open and was closed.
TEST(UniqueFile, NullAndInvalidAreBothNoHandle) {
    EXPECT_FALSE(win::UniqueFile(nullptr));
    EXPECT_FALSE(win::UniqueFile(INVALID_HANDLE_VALUE));
    wchar_t tmp[MAX_PATH];
    ASSERT_NE(::GetTempPathW(MAX_PATH, tmp), 0u);
    const std::wstring path = std::wstring(tmp) + L"pi-unique-file-test.tmp";
    HANDLE raw = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE,
                               nullptr);
    {
        win::UniqueFile file(raw);
        EXPECT_TRUE(file);
    }
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(raw, &flags)) << "closed with its owner";
}

// A dialog over the real template that can leave its modal loop by an
// exception, with its window still there.
class ThrowingControl : public CWnd {
public:
    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == kCounted) throw std::runtime_error("left the loop");
        return FALSE;
    }
};

class TestDialog : public CDialog {
public:
    TestDialog() : CDialog(IDD_PRINTERINSTALL_DIALOG) {}
    std::wstring text;
    int radio = 0;
    // Set in OnInitDialog: what the exchange towards the controls did.
    DWORD selectionKept = 0;
    std::wstring textAfterChange;
    int radioWrites = -1, checkedAfterChange = -1;
    bool leaveByException = false;

protected:
    void DoDataExchange(CDataExchange* dx) override {
        DDX_Control(dx, IDC_BTN_NEXT, m_control);
        DDX_Text(dx, IDC_EDT_VERSIONFILE, text);
        DDX_Radio(dx, IDC_RAD_DEFAULT_YES, radio);
    }
    BOOL OnInitDialog() override;

private:
    ThrowingControl m_control;
};

int g_setChecks = 0;
LRESULT CALLBACK CountSetChecks(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == BM_SETCHECK) ++g_setChecks;
    return ::DefSubclassProc(wnd, msg, wp, lp);
}

BOOL TestDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    if (leaveByException) {
        ::PostMessageW(m_control.m_hWnd, kCounted, 0, 0);
        return TRUE;
    }
    HWND edit = GetDlgItem(IDC_EDT_VERSIONFILE);
    ::SetWindowTextW(edit, L"abcdef");
    ::SendMessageW(edit, EM_SETSEL, 2, 4);
    text = L"abcdef";
    UpdateData(FALSE);
    selectionKept = static_cast<DWORD>(::SendMessageW(edit, EM_GETSEL, 0, 0));
    text = L"xyz";
    UpdateData(FALSE);
    textAfterChange = WindowTextOf(edit);

    for (int id : {IDC_RAD_DEFAULT_YES, IDC_RAD_DEFAULT_NO})
        ::SetWindowSubclass(GetDlgItem(id), &CountSetChecks, 1, 0);
    g_setChecks = 0;
    UpdateData(FALSE);  // the radio group already shows `radio`
    radioWrites = g_setChecks;
    radio = 1;
    UpdateData(FALSE);
    checkedAfterChange = ::SendMessageW(GetDlgItem(IDC_RAD_DEFAULT_NO), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    for (int id : {IDC_RAD_DEFAULT_YES, IDC_RAD_DEFAULT_NO})
        ::RemoveWindowSubclass(GetDlgItem(id), &CountSetChecks, 1);
    EndDialog(IDOK);
    return TRUE;
}

// The exchange towards the controls, which the job timers run on every tick,
// writes only what differs from the control: an unchanged path keeps the
// user's selection and caret, an unchanged radio group is not touched; a
// changed field is still shown.
TEST(DataExchange, TowardsTheControlsWritesOnlyWhatDiffers) {
    TestDialog dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.selectionKept, static_cast<DWORD>(MAKELONG(2, 4)));
    EXPECT_EQ(dlg.textAfterChange, L"xyz");
    EXPECT_EQ(dlg.radioWrites, 0);
    EXPECT_EQ(dlg.checkedAfterChange, 1);
}

// Regression: a dialog destroyed with its window still there (its modal
// loop left by an exception) destroyed the window while the window still
// led to the object, whose derived parts were gone by then.
bool g_linkedAtDestroy = true;
LRESULT CALLBACK SeeDestroy(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_DESTROY) g_linkedAtDestroy = ::GetPropW(wnd, CWnd::kObjectProp) != nullptr;
    return ::DefSubclassProc(wnd, msg, wp, lp);
}

TEST(DialogEnd, RegressionAWindowStillThereIsUnlinkedBeforeItIsDestroyed) {
    HWND wnd = nullptr;
    {
        TestDialog dlg;
        dlg.leaveByException = true;
        EXPECT_THROW(dlg.DoModal(), std::runtime_error);
        wnd = dlg.m_hWnd;
        ASSERT_TRUE(::IsWindow(wnd));
        ASSERT_TRUE(::SetWindowSubclass(wnd, &SeeDestroy, 1, 0));
    }
    EXPECT_FALSE(::IsWindow(wnd)) << "the window went with the object";
    EXPECT_FALSE(g_linkedAtDestroy);
}

}  // namespace
