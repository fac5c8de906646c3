#include "loading/charset_prescan.hpp"

#include "text/text.hpp"

#include <algorithm>
#include <vector>

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool is_letter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Where needle first occurs in text from position at, letters in any case;
// npos when it does not.
std::size_t find_ignoring_case(std::string_view text, std::string_view needle, std::size_t at)
{
    for (; at + needle.size() <= text.size(); ++at)
        if (equal_ignoring_case(text.substr(at, needle.size()), needle))
            return at;
    return npos;
}

// Elements whose text holds no markup: a <meta> written there is text.
bool holds_raw_text(std::string_view name)
{
    return name == "script" || name == "style" || name == "title" || name == "textarea"
        || name == "xmp";
}

// A label as a declaration: UTF-16 means UTF-8 and x-user-defined means
// windows-1252, as in the standard's prescan. None for a label that names
// nothing the program reads.
std::optional<charset_declaration> declaration_of(std::string_view label)
{
    const std::string written(trim_html_space(label));
    if (equal_ignoring_case(written, "x-user-defined"))
        return charset_declaration{&windows_1252_encoding(), written};
    const web_encoding* encoding = encoding_for_label(written);
    if (!encoding)
        return std::nullopt;
    if (encoding->utf16)
        encoding = &utf8_encoding();
    return charset_declaration{encoding, written};
}

// The label in a Content-Type value such as "text/html; charset=koi8-r":
// the standard's extraction of an encoding from a meta element. Empty when
// there is none.
std::string_view charset_in_content(std::string_view content)
{
    for (std::size_t at = 0;;) {
        at = find_ignoring_case(content, "charset", at);
        if (at == npos)
            return {};
        at += 7;
        while (at < content.size() && is_html_space(content[at]))
            ++at;
        if (at == content.size() || content[at] != '=')
            continue;
        ++at;
        while (at < content.size() && is_html_space(content[at]))
            ++at;
        if (at == content.size())
            return {};
        const char quote = content[at];
        if (quote == '"' || quote == '\'') {
            const std::size_t end = content.find(quote, at + 1);
            return end == npos ? std::string_view{} : content.substr(at + 1, end - at - 1);
        }
        std::size_t end = at;
        while (end < content.size() && !is_html_space(content[end]) && content[end] != ';')
            ++end;
        return content.substr(at, end - at);
    }
}

struct attribute {
    std::string name;
    std::string value;
};

// The walk over a page's bytes, one tag at a time.
class prescan {
public:
    // Walks the page from position from.
    explicit prescan(std::string_view page, std::size_t from = 0) : page(page), at(from) {}

    std::optional<charset_declaration> run()
    {
        while (at < page.size()) {
            if (page.compare(at, 4, "<!--") == 0) {
                skip_past("-->", at + 2);
            } else if (at_meta()) {
                at += 5;
                if (auto found = meta_declaration())
                    return found;
            } else if (at_tag()) {
                if (!tag())
                    return std::nullopt;
            } else if (page.compare(at, 2, "<!") == 0 || page.compare(at, 2, "</") == 0
                       || page.compare(at, 2, "<?") == 0) {
                skip_past(">", at);
            } else {
                ++at;
            }
        }
        return std::nullopt;
    }

    // The standard's "get an attribute": the next attribute of the tag, name
    // and value in lower case; none at the ">" that ends the tag (which the
    // walk then passes) or at the end of the page.
    std::optional<attribute> next_attribute()
    {
        while (!ended() && (is_html_space(current()) || current() == '/'))
            ++at;
        if (ended())
            return std::nullopt;
        if (current() == '>') {
            ++at;
            return std::nullopt;
        }
        attribute read;
        for (;; ++at) {
            if (ended())
                return read;
            const char c = current();
            if (c == '=' && !read.name.empty())
                break;
            if (is_html_space(c)) {
                skip_spaces();
                if (current() != '=')
                    return read;
                break;
            }
            if (c == '/' || c == '>')
                return read;
            read.name += lower(c);
        }
        ++at;
        skip_spaces();
        if (ended())
            return read;
        const char quote = current();
        if (quote == '"' || quote == '\'') {
            for (++at; !ended() && current() != quote; ++at)
                read.value += lower(current());
            if (!ended())
                ++at;
            return read;
        }
        for (; !ended() && !is_html_space(current()) && current() != '>'; ++at)
            read.value += lower(current());
        return read;
    }

private:
    std::string_view page;
    std::size_t at = 0;

    char current() const { return at < page.size() ? page[at] : '\0'; }
    bool ended() const { return at >= page.size(); }

    void skip_past(std::string_view marker, std::size_t from)
    {
        const std::size_t found = page.find(marker, from);
        at = found == npos ? page.size() : found + marker.size();
    }

    bool at_meta() const
    {
        return at + 5 < page.size() && equal_ignoring_case(page.substr(at, 5), "<meta")
            && (is_html_space(page[at + 5]) || page[at + 5] == '/');
    }

    bool at_tag() const
    {
        if (page[at] != '<' || at + 1 >= page.size())
            return false;
        if (is_letter(page[at + 1]))
            return true;
        return page[at + 1] == '/' && at + 2 < page.size() && is_letter(page[at + 2]);
    }

    // Reads a start or end tag other than <meta> and its attributes. A start
    // tag of an element of raw text also passes over that text. False at
    // <body>, where the head ends.
    bool tag()
    {
        const bool end_tag = page[at + 1] == '/';
        at += end_tag ? 2 : 1;
        std::string name;
        for (; !ended() && !is_html_space(current()) && current() != '>'; ++at)
            name += lower(current());
        while (next_attribute()) {
        }
        if (end_tag)
            return true;
        if (name == "body")
            return false;
        if (holds_raw_text(name))
            skip_raw_text(name);
        return true;
    }

    // Moves to the end tag that closes the raw text, or to the end.
    void skip_raw_text(std::string_view name)
    {
        const std::string closing = "</" + std::string(name);
        for (std::size_t from = at;;) {
            const std::size_t found = find_ignoring_case(page, closing, from);
            if (found == npos) {
                at = page.size();
                return;
            }
            const std::size_t after = found + closing.size();
            if (after == page.size() || is_html_space(page[after]) || page[after] == '/'
                || page[after] == '>') {
                at = found;
                return;
            }
            from = after;
        }
    }

    // The declaration of the <meta> whose name the walk has just passed, as
    // the standard's prescan decides it; none when it declares nothing the
    // program reads.
    std::optional<charset_declaration> meta_declaration()
    {
        std::vector<std::string> seen;
        bool got_pragma = false;
        std::optional<bool> need_pragma;
        bool has_charset = false;
        std::optional<charset_declaration> charset;
        for (std::optional<attribute> found; (found = next_attribute());) {
            if (std::find(seen.begin(), seen.end(), found->name) != seen.end())
                continue;
            seen.push_back(found->name);
            if (found->name == "http-equiv") {
                got_pragma = got_pragma || found->value == "content-type";
            } else if (found->name == "content" && !has_charset) {
                const std::string_view label = charset_in_content(found->value);
                if (!label.empty() && (charset = declaration_of(label))) {
                    has_charset = true;
                    need_pragma = true;
                }
            } else if (found->name == "charset") {
                charset = declaration_of(found->value);
                has_charset = true;
                need_pragma = false;
            }
        }
        if (!need_pragma || (*need_pragma && !got_pragma))
            return std::nullopt;
        return charset;
    }

    void skip_spaces()
    {
        while (!ended() && is_html_space(current()))
            ++at;
    }
};

// The encoding of an XML declaration that opens the page:
// <?xml version="1.0" encoding="iso-8859-1"?>. Its pseudo-attributes are
// read as a tag's attributes are.
std::optional<charset_declaration> xml_declaration(std::string_view page)
{
    if (page.compare(0, 6, "<?xml ") != 0)
        return std::nullopt;
    prescan declaration(page, 5);
    while (const std::optional<attribute> found = declaration.next_attribute())
        if (found->name == "encoding")
            return declaration_of(found->value);
    return std::nullopt;
}

}

std::optional<charset_declaration> declared_encoding(std::string_view page)
{
    if (auto found = prescan(page).run())
        return found;
    return xml_declaration(page);
}
