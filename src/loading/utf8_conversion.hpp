// Conversion of a page from a legacy encoding to UTF-8 with glibc's iconv,
// before Tidy reads it.
#pragma once

#include "loading/encoding_labels.hpp"
#include "platform/failure.hpp"

#include <string>
#include <string_view>

struct utf8_conversion {
    std::string text;
    // The encoding's converter could not be opened (glibc's gconv modules
    // missing, cannot_convert); the text is then empty.
    failure problem;
};

// The UTF-8 form of text in the encoding, which must have a converter. A
// byte sequence that the encoding leaves undefined becomes U+FFFD, and the
// conversion goes on after its first byte, so an ASCII byte after a broken
// lead byte is kept; a sequence cut short at the end becomes one U+FFFD.
// Where the encoding has a fallback converter, a rejected sequence is tried
// with it first. Stateful encodings (ISO-2022-JP) are flushed at the end.
// Linear in the length of the text, however many sequences are broken.
utf8_conversion convert_to_utf8(std::string_view text, const web_encoding& encoding);
