#include "matching/pseudo_class.hpp"

#include "text/text.hpp"

#include <cstdint>
#include <tinyxml2.h>

namespace {

struct named_kind {
    std::string_view name;
    pseudo_kind kind;
};

constexpr named_kind recognised_names[] = {
    {"empty", pseudo_kind::empty},
    {"first-child", pseudo_kind::first_child},
    {"last-child", pseudo_kind::last_child},
    {"nth-child", pseudo_kind::nth_child},
    {"nth-last-child", pseudo_kind::nth_last_child},
    {"only-child", pseudo_kind::only_child},
    {"nth-of-type", pseudo_kind::nth_of_type},
    {"nth-last-of-type", pseudo_kind::nth_last_of_type},
    {"only-of-type", pseudo_kind::only_of_type},
    {"first-of-type", pseudo_kind::first_child},
    {"last-of-type", pseudo_kind::last_child},
};

pseudo_kind kind_of(std::string_view name)
{
    for (const auto& entry : recognised_names)
        if (equal_ignoring_case(entry.name, name))
            return entry.kind;
    return pseudo_kind::no_condition;
}

// The position counted from the end: index k where k = count - n - 1, or no
// position at all when k falls outside 0 .. count - 1 (any negative n, or an
// n beyond the list). Computed in 64 bits so that no n can overflow.
bool is_nth_from_end(int index, int count, int n)
{
    const std::int64_t k = std::int64_t(count) - n - 1;
    return k >= 0 && k < count && index == k;
}

}

pseudo_class parse_pseudo_class(std::string_view token)
{
    const auto open = token.find('(');
    if (open == std::string_view::npos)
        return {kind_of(token), 0};
    // The argument runs up to, not including, the token's last character,
    // which is taken to be the closing parenthesis.
    const auto argument_start = open + 1;
    const std::string_view argument = argument_start < token.size()
        ? token.substr(argument_start, token.size() - 1 - argument_start)
        : std::string_view();
    return {kind_of(token.substr(0, open)), to_int(unquote(argument))};
}

bool pseudo_class_holds(const pseudo_class& test, const tinyxml2::XMLElement& element,
                        const sibling_position& position)
{
    const auto& [child_index, child_count, element_index, element_count] = position;
    switch (test.kind) {
    case pseudo_kind::no_condition:
        return true;
    case pseudo_kind::empty:
        return element.NoChildren();
    case pseudo_kind::first_child:
        return child_index == 0;
    case pseudo_kind::last_child:
        return child_index == child_count - 1;
    case pseudo_kind::nth_child:
        return test.n >= 0 && child_index == test.n;
    case pseudo_kind::nth_last_child:
        return is_nth_from_end(child_index, child_count, test.n);
    case pseudo_kind::only_child:
        return child_count == 1;
    case pseudo_kind::nth_of_type:
        return test.n >= 0 && element_index == test.n;
    case pseudo_kind::nth_last_of_type:
        return is_nth_from_end(element_index, element_count, test.n);
    case pseudo_kind::only_of_type:
        return element_count == 1;
    }
    return true;
}
