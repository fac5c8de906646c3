// Whether bytes are UTF-8 text.
#pragma once

#include <string_view>

// True when the bytes are well-formed UTF-8 as Unicode defines it: no
// overlong forms, no surrogates (U+D800 to U+DFFF), nothing above U+10FFFF,
// no sequence cut short at the end. An empty text is UTF-8. One pass, which
// takes runs of ASCII eight bytes at a time.
bool is_utf8(std::string_view bytes);
