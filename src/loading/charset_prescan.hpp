// The encoding a page declares for itself, found the way browsers look for
// it before they parse: the HTML standard's prescan of the bytes.
#pragma once

#include "loading/encoding_labels.hpp"

#include <optional>
#include <string>
#include <string_view>

struct charset_declaration {
    // What the label means; never null. UTF-16 labels mean UTF-8 here, as
    // in browsers: bytes that are read at all are not UTF-16.
    const web_encoding* encoding = nullptr;
    // The label as the page wrote it, in lower case.
    std::string label;
};

// The first declaration whose label names an encoding the program reads: a
// <meta charset>, or a <meta http-equiv="Content-Type"> with a content that
// holds "charset=". Unlike the standard's prescan, which stops after 1,024
// bytes, it reads the whole head: up to the <body> start tag, or to the end.
// Comments and the text of script, style, title, textarea and xmp elements
// are passed over; attributes are read in every quoting the standard allows.
// Without such a <meta>, the encoding of an XML declaration at the very
// start. None when the page declares nothing usable.
std::optional<charset_declaration> declared_encoding(std::string_view page);
