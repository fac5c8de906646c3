#include "loading/encodings.hpp"

#include "text/text.hpp"

#include <tidy/tidy.h>
#include <tidy/tidybuffio.h>

namespace {

// Asks Tidy itself, with its complaint about an unknown name caught in a
// buffer instead of reaching standard error.
bool tidy_knows(const std::string& name)
{
    TidyDoc doc = tidyCreate();
    TidyBuffer complaints{};
    tidyBufInit(&complaints);
    tidySetErrorBuffer(doc, &complaints);
    const bool known = tidySetInCharEncoding(doc, name.c_str()) == 0;
    tidyBufFree(&complaints);
    tidyRelease(doc);
    return known;
}

bool names_utf16(std::string_view name)
{
    return equal_ignoring_case(name, "utf16") || equal_ignoring_case(name, "utf16le")
        || equal_ignoring_case(name, "utf16be");
}

}

std::optional<input_encoding> choose_input_encoding(const std::string& name)
{
    if (equal_ignoring_case(name, "win1251"))
        return input_encoding{"utf8", true, false};
    if (!tidy_knows(name))
        return std::nullopt;
    return input_encoding{name, false, names_utf16(name)};
}

bool begins_with_utf16_mark(std::string_view text)
{
    return text.substr(0, 2) == "\xff\xfe" || text.substr(0, 2) == "\xfe\xff";
}

std::string_view processed_input(std::string_view input, const input_encoding& encoding)
{
    if (encoding.reads_past_nul || begins_with_utf16_mark(input))
        return input;
    return input.substr(0, input.find('\0'));
}
