// The meaning of an encoding name as a run works it out; the default (UTF-8)
// for none.
#pragma once

#include "loading/encodings.hpp"

#include <optional>
#include <stdexcept>
#include <string>

inline input_encoding named(const std::optional<std::string>& name)
{
    if (!name)
        return {};
    const auto known = choose_input_encoding(*name);
    if (!known)
        throw std::invalid_argument("unknown encoding " + *name);
    return *known;
}
