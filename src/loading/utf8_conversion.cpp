#include "loading/utf8_conversion.hpp"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <optional>

namespace {

constexpr std::string_view replacement_character = "\xEF\xBF\xBD";

// An iconv conversion descriptor to UTF-8, closed with the object.
class utf8_converter {
public:
    explicit utf8_converter(const char* from) : cd(iconv_open("UTF-8", from)) {}
    utf8_converter(const utf8_converter&) = delete;
    utf8_converter& operator=(const utf8_converter&) = delete;
    ~utf8_converter()
    {
        if (is_open())
            iconv_close(cd);
    }

    bool is_open() const { return cd != reinterpret_cast<iconv_t>(-1); }

    // Converts from in as far as the bytes allow, appending to out; in and
    // left then describe what is not converted. 0 when every byte was
    // taken, otherwise EILSEQ (an undefined sequence at in), EINVAL (one cut
    // short at the end) or another error number.
    int convert(const char*& in, std::size_t& left, std::string& out)
    {
        char* from = const_cast<char*>(in);
        const int error = run(&from, &left, out);
        in = from;
        return error;
    }

    // Writes what a stateful encoding holds back and returns to the initial
    // state.
    void flush(std::string& out) { run(nullptr, nullptr, out); }

    void reset() { iconv(cd, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t cd;

    int run(char** from, std::size_t* left, std::string& out)
    {
        char chunk[16384];
        for (;;) {
            char* to = chunk;
            std::size_t room = sizeof chunk;
            const std::size_t done = iconv(cd, from, left, &to, &room);
            out.append(chunk, static_cast<std::size_t>(to - chunk));
            if (done != static_cast<std::size_t>(-1))
                return 0;
            if (errno != E2BIG)
                return errno;
        }
    }
};

// The length of the shortest sequence at in, of one to four bytes, that the
// converter takes whole, its characters appended to out; 0 when there is
// none.
std::size_t take_one_sequence(utf8_converter& converter, const char* in, std::size_t left,
                              std::string& out)
{
    for (std::size_t length = 1; length <= std::min<std::size_t>(4, left); ++length) {
        converter.reset();
        std::string piece;
        const char* from = in;
        std::size_t rest = length;
        if (converter.convert(from, rest, piece) != 0 || rest != 0)
            continue;
        converter.flush(piece);
        if (piece.empty())
            continue;
        out += piece;
        return length;
    }
    return 0;
}

}

utf8_conversion convert_to_utf8(std::string_view text, const web_encoding& encoding)
{
    utf8_conversion result;
    utf8_converter converter(encoding.converter);
    if (!converter.is_open()) {
        result.problem = {failure_kind::cannot_convert, errno, std::string(encoding.name)};
        return result;
    }
    std::optional<utf8_converter> fallback;
    if (encoding.fallback)
        fallback.emplace(encoding.fallback);
    std::string& out = result.text;
    out.reserve(text.size() + text.size() / 2);
    const char* in = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const int error = converter.convert(in, left, out);
        if (error == 0)
            break;
        if (error == EINVAL) {
            out += replacement_character;
            break;
        }
        std::size_t taken = 0;
        if (fallback && fallback->is_open())
            taken = take_one_sequence(*fallback, in, left, out);
        if (taken == 0) {
            out += replacement_character;
            taken = 1;
        }
        in += taken;
        left -= taken;
    }
    converter.flush(out);
    return result;
}
