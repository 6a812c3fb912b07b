#pragma once
// UTF-8 and the UTF-16 code units of wchar_t, without the C library's
// locale (the native build runs under any locale, Windows' wchar_t is
// 16 bits and Linux's 32).

#include <string>
#include <string_view>

namespace core {

// UTF-16 code units (in wchar_t) to UTF-8; a lone surrogate becomes U+FFFD.
std::string ToUtf8(std::wstring_view text);
// Strict UTF-8 to UTF-16 code units; false on any malformed sequence.
bool Utf8ToWide(std::string_view bytes, std::wstring& text);
// UTF-8 as MultiByteToWideChar(CP_UTF8, 0) decodes it: a byte that starts
// no valid sequence becomes U+FFFD and decoding goes on at the next byte.
std::wstring Utf8ToWideLeniently(std::string_view bytes);

}  // namespace core
