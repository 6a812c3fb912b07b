// Code page 936 (GBK) without Windows: the conversions the installer makes
// with the ANSI code page of a Chinese Windows, reproduced natively.
//  - DecodeGbk: as MultiByteToWideChar(936, 0): never fails; a lead byte
//    with no valid trail byte gives '?', a lone 0xFF gives U+F8F5.
//  - DecodeGbkStrict: as MultiByteToWideChar(936, MB_ERR_INVALID_CHARS).
//  - EncodeGbkStrict: as WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS) that
//    fails when a character needs the default character.
// The characters come from glibc's iconv; the user-defined areas that iconv
// leaves out map to the private-use characters Windows gives them.
#pragma once
#include <string>
#include <string_view>

namespace medium_check {

std::wstring DecodeGbk(std::string_view bytes);
bool DecodeGbkStrict(std::string_view bytes, std::wstring& text);
bool EncodeGbkStrict(std::wstring_view text, std::string& bytes);

}  // namespace medium_check
