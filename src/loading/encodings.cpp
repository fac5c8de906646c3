#include "loading/encodings.hpp"

#include "loading/tidy_session.hpp"
#include "text/text.hpp"

#include <utility>

namespace {

// Asks Tidy itself, with its complaint about an unknown name caught in a
// buffer instead of reaching standard error.
bool tidy_knows(const std::string& name)
{
    tidy_session tidy;
    tidySetErrorBuffer(tidy.doc, &tidy.diagnostics);
    return tidySetInCharEncoding(tidy.doc, name.c_str()) == 0;
}

// Tidy's names whose decoders give wrong text, and the Encoding Standard's
// labels that the program reads them by instead.
constexpr std::pair<std::string_view, std::string_view> tidy_names_converted[] = {
    {"shiftjis", "shift_jis"},
    {"big5", "big5"},
    {"iso2022", "iso-2022-jp"},
};

bool names_utf16(std::string_view name)
{
    return equal_ignoring_case(name, "utf16") || equal_ignoring_case(name, "utf16le")
        || equal_ignoring_case(name, "utf16be");
}

}

std::optional<input_encoding> choose_input_encoding(const std::string& name)
{
    input_encoding named;
    named.from_page = false;
    if (equal_ignoring_case(name, "win1251")) {
        named.converts_win1251 = true;
        return named;
    }
    for (const auto& [tidy_name, label] : tidy_names_converted) {
        if (equal_ignoring_case(name, tidy_name)) {
            named.converted = encoding_for_label(label);
            return named;
        }
    }
    if (tidy_knows(name)) {
        named.tidy_name = name;
        named.reads_past_nul = names_utf16(name);
        return named;
    }
    const web_encoding* encoding = encoding_for_label(name);
    if (!encoding)
        return std::nullopt;
    // UTF-8 itself is read by Tidy, exactly as without a name.
    if (encoding->converter)
        named.converted = encoding;
    named.reads_past_nul = encoding->utf16;
    return named;
}

bool begins_with_utf16_mark(std::string_view text)
{
    return text.substr(0, 2) == "\xff\xfe" || text.substr(0, 2) == "\xfe\xff";
}
