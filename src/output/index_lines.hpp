// The lines of the HTML index list that output modes 5 and 6 write, and the
// cleaning that turns a serialised element into plain index text.
#pragma once

#include <string>
#include <string_view>

// Removes every tag: each "<" up to and including the next ">", or up to the
// end of the text when no ">" follows. Entity references stay as they are.
// Edits text in place and returns it.
std::string& strip_tags(std::string& text);

// Replaces every occurrence of search, left to right and without overlaps;
// the scan resumes after each inserted replacement, so replacements are never
// searched again. An empty search text changes nothing. Edits text in place
// and returns it.
std::string& replace_all(std::string& text, std::string_view search,
                         std::string_view replacement);

// The text of a serialised element for mode 5: tags stripped, line ends
// turned into spaces, outer spaces trimmed.
std::string clean_index_item(std::string item);

// One line of the index list: a list item holding a link to the input,
// labelled with text. The name is written as name_in_link gives it, so that
// the link names the file, and its characters & < > ' " as references, so
// that no name can end the link's address or add markup.
std::string index_line(const std::string& display_name, const std::string& text);
