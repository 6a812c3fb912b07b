// Real catalogue and INF files for the catalogue's Windows tests, written
// into a fresh folder under %TEMP% that is removed again afterwards.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "win/unique.h"

namespace cattest {

// A folder of its own per test, so that no profile-file cache and no other
// test's file can answer in its place.
class TempDir {
public:
    TempDir() {
        static std::atomic<int> counter{0};
        wchar_t temp[MAX_PATH + 1] = {};
        const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
        EXPECT_TRUE(n > 0 && n <= MAX_PATH) << "no temp folder";
        // A folder left by an earlier run (Wine reuses process ids) is never
        // taken over: its old files could answer for this test's.
        for (int attempt = 0; attempt < 1000 && !owned_; ++attempt) {
            path_ = std::wstring(temp) + L"pi-catalogue-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                    std::to_wstring(++counter) + L"\\";
            owned_ = ::CreateDirectoryW(path_.c_str(), nullptr) != FALSE;
        }
        EXPECT_TRUE(owned_) << "cannot make a test folder";
    }
    // Removes everything inside too, also what a test's child process wrote.
    ~TempDir() {
        if (owned_) RemoveTree(path_);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Ends in a backslash.
    const std::wstring& Path() const { return path_; }

    // A folder inside (made with its parents); returns its path with a backslash.
    std::wstring Folder(const std::wstring& relative) {
        const std::wstring path = path_ + relative + L"\\";
        for (size_t end = path.find(L'\\', path_.size()); end != std::wstring::npos; end = path.find(L'\\', end + 1))
            EXPECT_TRUE(::CreateDirectoryW(path.substr(0, end + 1).c_str(), nullptr) ||
                        ::GetLastError() == ERROR_ALREADY_EXISTS)
                << "cannot make a test folder";
        return path;
    }

    // Writes the bytes to `relative` (folders made as needed); returns the full path.
    std::wstring Write(const std::wstring& relative, const std::string& bytes) {
        const size_t slash = relative.find_last_of(L'\\');
        if (slash != std::wstring::npos) Folder(relative.substr(0, slash));
        const std::wstring path = path_ + relative;
        win::UniqueFile f(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                        nullptr));
        EXPECT_TRUE(static_cast<bool>(f)) << "cannot create a test file, error " << ::GetLastError();
        DWORD written = 0;
        EXPECT_TRUE(f && ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        EXPECT_EQ(written, bytes.size());
        return path;
    }

private:
    static void RemoveTree(const std::wstring& dir) {
        WIN32_FIND_DATAW found{};
        const HANDLE find = ::FindFirstFileW((dir + L"*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") continue;
                const DWORD attributes = found.dwFileAttributes;
                // A linked folder is unlinked, never emptied: what it points to is not ours.
                if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                    ::RemoveDirectoryW((dir + name).c_str());
                else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(dir + name + L"\\");
                else
                    DeleteWhenClosed(dir + name);
            } while (::FindNextFileW(find, &found));
            ::FindClose(find);
        }
        ::RemoveDirectoryW(dir.c_str());
    }

    // A child process's output file stays open for a moment after the child
    // ended (under Wine its console host still holds it): wait for that, briefly.
    static void DeleteWhenClosed(const std::wstring& path) {
        for (int tries = 0; tries < 200; ++tries) {
            if (::DeleteFileW(path.c_str()) || ::GetLastError() != ERROR_SHARING_VIOLATION) return;
            ::Sleep(10);
        }
    }

    std::wstring path_;
    bool owned_ = false;
};

// Saves the bytes as the catalogue PrinterInfor.Inf in `dir`; returns the folder.
inline std::wstring WriteCatalogue(TempDir& dir, const std::string& bytes) {
    dir.Write(L"PrinterInfor.Inf", bytes);
    return dir.Path();
}

// Text as a file saved in "Unicode" by Notepad: UTF-16LE with its BOM.
inline std::string Utf16File(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

// Text in an ANSI code page; a character without a form there fails the test.
inline std::string AnsiFile(const std::wstring& text, UINT codePage) {
    if (text.empty()) return {};
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                        &usedDefault);
    std::string bytes(static_cast<size_t>(n > 0 ? n : 0), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr,
                          &usedDefault);
    EXPECT_FALSE(usedDefault) << "text has no form in code page " << codePage;
    return bytes;
}

// Lines joined with CRLF, as the catalogue and INF files come.
inline std::wstring Lines(std::initializer_list<std::wstring> lines) {
    std::wstring text;
    for (const auto& l : lines) text += l + L"\r\n";
    return text;
}

// The tests of GBK files need Wine's ANSI code page to be that of a Chinese
// Windows.
inline constexpr UINT kGbk = 936;
#define CATTEST_REQUIRE_GBK()                                                                              \
    ASSERT_EQ(::GetACP(), cattest::kGbk) << "the ANSI code page must be 936 (GBK): run under scripts/wine-env.sh, " \
                                            "which sets LC_ALL=zh_CN.UTF-8 with LOCPATH"

}  // namespace cattest
