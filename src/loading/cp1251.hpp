// Conversion of Windows-1251 (Cyrillic) text to UTF-8, done by the program
// itself when the user names that encoding, before the text reaches Tidy.
#pragma once

#include <string>
#include <string_view>

// Returns the UTF-8 form of a Windows-1251 text: ASCII bytes unchanged, every
// byte from 0x80 up replaced by its code-page character (two or three UTF-8
// bytes). Byte 0x98 has no character in the code page and is dropped. The
// result is at most three times as long as the source.
std::string cp1251_to_utf8(std::string_view source);
