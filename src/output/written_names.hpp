// How an input's name is written inside the output: in the comment of the
// "-p" line and in the address of an index link. A name may hold any bytes a
// file name can; written there, it must neither end the comment early nor
// change where the link points. Names that hold nothing of the kind are
// written as they are.
#pragma once

#include <string>
#include <string_view>

// The name for the comment "<!--" NAME "-->". A name that could end the
// comment early or make it invalid (one that holds "--" or a control
// character, starts with ">" or "->", or ends with "-") is written with every
// "-", "%", ">" and control character (bytes below 0x20, and 0x7F) as "%XX",
// with upper-case hex digits, so that percent-decoding gives the name back;
// any other name is written unchanged, "%" and all.
std::string name_in_comment(std::string_view name);

// The name as the relative address of a link, before the attribute
// references that index_line adds: "%", "#", "?", "\", control characters and
// a space at either end are written as "%XX"; a first path segment that holds
// ":" gets "./" before it, so that it is not read as a scheme ("mailto:x"),
// and a name that starts with "//" gets "/." before it, so that it is not
// read as a host. Other characters, non-ASCII bytes included, stay as they
// are.
std::string name_in_link(std::string_view name);
