// Entry point of the Windows test programs.  Provides the application object
// the program's code expects (its name is the message-box caption).
#include <windows.h>

#include <gtest/gtest.h>

#include "win/app.h"

namespace {
CWinApp testApp(L"Printer Install");
}

int wmain(int argc, wchar_t** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
