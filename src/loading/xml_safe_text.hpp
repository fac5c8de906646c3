// What the XML parser may be given of a repaired document. XML 1.0 allows no
// C0 control character but tab, line feed and carriage return, yet Tidy
// writes the byte itself for a reference such as "&#0;", "&#7;" or "&#27;"
// in the page, and keeps a raw ESC: a NUL ends the parser's text early, and
// the others would reach a terminal with the results.
#pragma once

#include <string>

// The UTF-8 text with every such control character replaced by U+FFFD (EF
// BF BD): every byte 0x00 to 0x1F but tab, LF and CR, and every character
// reference that the XML parser would decode into one or into no character
// at all ("&#1;", "&#x1b;", "&#;", "&#99999999;"). References are decoded in
// text and quoted attribute values only, so those inside comments, CDATA
// sections, processing instructions and declarations are kept, as is DEL
// (0x7F), which XML allows. A text with nothing to replace comes back
// unchanged, at the cost of one scan.
std::string xml_safe_text(std::string text);
