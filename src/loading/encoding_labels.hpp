// The encodings of the WHATWG Encoding Standard that the program reads, each
// with the labels that name it and the glibc iconv converter that turns it
// into UTF-8.
#pragma once

#include <string_view>

struct web_encoding {
    // Its name in the standard, as verbose mode shows it: "windows-1252".
    std::string_view name;
    // The iconv converter whose mapping is the standard's (CP932 for
    // Shift_JIS, CP949 for EUC-KR, GB18030 for GBK); none for UTF-8, which
    // Tidy reads itself.
    const char* converter = nullptr;
    // A second converter for the sequences the first rejects, where the
    // standard holds more than any one of glibc's: Big5's HKSCS characters,
    // GBK's single-byte euro sign. None elsewhere.
    const char* fallback = nullptr;
    // NUL bytes belong to its characters (UTF-16).
    bool utf16 = false;
};

// The encoding a label names, matched as the standard matches it: ASCII
// white space around the label ignored, letters in any case. None for a
// label the standard does not have, and for the two encodings the program
// does not read: "replacement" (ISO-2022-KR, ISO-2022-CN, HZ), which decodes
// a whole page to one U+FFFD, and x-user-defined.
const web_encoding* encoding_for_label(std::string_view label);

const web_encoding& utf8_encoding();
// What browsers read a page in when nothing else says.
const web_encoding& windows_1252_encoding();
