#include "loading/encodings.hpp"

namespace {

bool equals_ignoring_case(std::string_view given, std::string_view name)
{
    if (given.size() != name.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = given[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != name[i])
            return false;
    }
    return true;
}

}

bool names_win1251(const std::string& encoding)
{
    return equals_ignoring_case(encoding, "win1251");
}

bool names_utf16(const std::optional<std::string>& encoding)
{
    return encoding
        && (equals_ignoring_case(*encoding, "utf16") || equals_ignoring_case(*encoding, "utf16le")
            || equals_ignoring_case(*encoding, "utf16be"));
}

std::string_view processed_input(const std::string& input,
                                 const std::optional<std::string>& encoding)
{
    const std::string_view whole(input);
    return names_utf16(encoding) ? whole : whole.substr(0, whole.find('\0'));
}
