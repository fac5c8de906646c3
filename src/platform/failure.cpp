#include "platform/failure.hpp"

#include <cstring>

namespace {

std::string system_text(long long error_number)
{
    return std::strerror(static_cast<int>(error_number));
}

// The words of a kind whose detail, when there is one, names the part that
// failed.
std::string of_part(const failure& what, std::string words)
{
    return what.detail.empty() ? words : what.detail + ": " + words;
}

}

std::string describe(const failure& what)
{
    const std::string number = std::to_string(what.number);
    switch (what.kind) {
    case failure_kind::none:
        return {};
    case failure_kind::system:
        return of_part(what, system_text(what.number));
    case failure_kind::cannot_read:
        return "cannot read: " + system_text(what.number);
    case failure_kind::cannot_convert:
        return "cannot convert it from " + what.detail + ": " + system_text(what.number);
    case failure_kind::out_of_memory:
        return "out of memory";
    case failure_kind::no_stack:
        return "cannot get a stack of " + what.detail + " to repair it: " + system_text(what.number);
    case failure_kind::tidy_failed:
        return "no document: Tidy could not repair it (status " + number + ")";
    case failure_kind::not_well_formed:
        return "no document: the repaired XHTML is not well-formed XML (" + what.detail + " at line "
            + number + ")";
    case failure_kind::too_deep:
        return "no document: nested deeper than the XML parser allows";
    case failure_kind::killed:
        return "could not be processed (killed by signal " + number + ")";
    case failure_kind::exited:
        return "could not be processed (exit status " + number + ")";
    case failure_kind::timed_out:
        return "given up after " + number + " s of CPU time";
    case failure_kind::own_output:
        return "input file is also the output";
    case failure_kind::foreign_owner:
        return of_part(what, "it belongs to another user");
    case failure_kind::open_to_others:
        return of_part(what, "others may write to it");
    }
    return {};
}

std::string program_line(std::string_view text)
{
    std::string line = "vestrel: ";
    line += text;
    line += '\n';
    return line;
}

std::string complaint(std::string_view subject, const failure& what)
{
    std::string text(subject);
    text += ": ";
    text += describe(what);
    return program_line(text);
}
