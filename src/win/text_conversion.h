// Text between wide strings and the 8-bit text of a Windows code page.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

namespace win {

// Bytes of `codePage` as wide text.  Strict: false on a byte sequence that
// is no text of the code page.  Lenient: never fails, each such sequence
// becoming the code page's default character, as the profile functions and
// MultiByteToWideChar without flags read text.
bool ToWide(UINT codePage, std::string_view bytes, std::wstring& text, bool strict);
std::wstring ToWide(UINT codePage, std::string_view bytes);

// Wide text as bytes of `codePage`, with no best-fit substitutes: false when
// a character has no form there (it could then match no byte text).
bool ToCodePage(UINT codePage, std::wstring_view text, std::string& bytes);

}  // namespace win
