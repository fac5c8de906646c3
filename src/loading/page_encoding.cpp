#include "loading/page_encoding.hpp"

#include "loading/charset_prescan.hpp"
#include "loading/cp1251.hpp"
#include "loading/utf8_conversion.hpp"
#include "text/utf8.hpp"

#include <memory>
#include <uchardet/uchardet.h>

namespace {

bool begins_with_byte_order_mark(std::string_view page)
{
    return page.substr(0, 3) == "\xEF\xBB\xBF" || begins_with_utf16_mark(page);
}

// The encoding Mozilla's universal detector finds in the bytes, when it
// finds one that the Encoding Standard names (its ISO-8859-1 is then
// windows-1252, its EUC-KR windows-949, as in browsers).
const web_encoding* detected_encoding(std::string_view page)
{
    const std::unique_ptr<uchardet, decltype(&uchardet_delete)> detector(uchardet_new(),
                                                                          &uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), page.data(), page.size()) != 0)
        return nullptr;
    uchardet_data_end(detector.get());
    const char* name = uchardet_get_charset(detector.get());
    const web_encoding* encoding = name ? encoding_for_label(name) : nullptr;
    // UTF-16 from the detector on bytes with no NUL cannot be right.
    return encoding && !encoding->utf16 ? encoding : nullptr;
}

// The page as Tidy reads it when it is in the encoding.
decoded_page read_in(std::string_view page, const web_encoding& encoding)
{
    decoded_page decoded;
    if (!encoding.converter)
        return decoded;
    utf8_conversion conversion = convert_to_utf8(page, encoding);
    if (conversion.problem)
        decoded.problem = conversion.problem;
    else
        decoded.converted = std::move(conversion.text);
    return decoded;
}

decoded_page read_in(std::string_view page, const web_encoding& encoding, std::string how)
{
    decoded_page decoded = read_in(page, encoding);
    decoded.encoding_line =
        "**** Input encoding: " + std::string(encoding.name) + ", " + how + "\n";
    return decoded;
}

// The encoding the page's own bytes say.
decoded_page decode_by_its_bytes(std::string_view page)
{
    if (begins_with_byte_order_mark(page) || is_utf8(page))
        return {};
    if (const std::optional<charset_declaration> declared = declared_encoding(page))
        return read_in(page, *declared->encoding, "declared by the page (" + declared->label + ")");
    if (const web_encoding* detected = detected_encoding(page))
        return read_in(page, *detected, "detected");
    return read_in(page, windows_1252_encoding(), "the default");
}

}

decoded_page decode_page(std::string_view page, const input_encoding& setting)
{
    if (setting.from_page)
        return decode_by_its_bytes(page);
    if (setting.converts_win1251) {
        decoded_page decoded;
        decoded.converted = cp1251_to_utf8(page);
        return decoded;
    }
    if (setting.converted) {
        if (begins_with_byte_order_mark(page))
            return {};
        return read_in(page, *setting.converted);
    }
    decoded_page decoded;
    decoded.tidy_name = setting.tidy_name;
    return decoded;
}
