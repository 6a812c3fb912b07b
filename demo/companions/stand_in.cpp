// Stand-in for a companion program of the demo medium.  The real medium
// carries the vendor's programs; this one only says what it stands for.
#include <windows.h>

#include <string>

#ifndef COMPANION_NAME
#error COMPANION_NAME must name the companion program
#endif

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring name = COMPANION_NAME;
    const std::wstring text = name + L"（演示替身）\n\n这是安装光盘上的配套程序 " + name +
                              L" 的替身程序。真正的安装光盘在此位置放置厂商提供的程序。";
    ::MessageBoxW(nullptr, text.c_str(), name.c_str(), MB_OK | MB_ICONINFORMATION);
    return 0;
}
