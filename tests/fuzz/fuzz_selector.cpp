// Fuzz target for the selector parser: every byte string parses into a tree
// that keeps the model's invariants, and its outline can be written.
#include "selector/css.hpp"
#include "unit/selector/model_invariants.hpp"

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <streambuf>
#include <string>

namespace {

// Swallows the outline so that fuzzing runs at full speed and quietly.
class discarding_buffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

discarding_buffer discard;
std::streambuf* real_cerr = nullptr;

}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    real_cerr = std::cerr.rdbuf(&discard);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // The group is built from a NUL-terminated text, as from the command
    // line, so it ends at the first NUL byte.
    const char* const selector = bytes.c_str();
    const css_groups group(selector);
    const std::string problem = model_invariants::check_group(group, selector);
    if (!problem.empty()) {
        std::cerr.rdbuf(real_cerr);
        std::cerr << "broken selector model: " << problem << '\n';
        std::abort();
    }
    group.dump(0);
    return 0;
}
