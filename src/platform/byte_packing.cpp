#include "platform/byte_packing.hpp"

void byte_packer::number(std::uint64_t value, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        bytes += static_cast<char>(value & 0xff);
        value >>= 8;
    }
}

void byte_packer::text(std::string_view value)
{
    number(value.size());
    bytes += value;
}

std::string_view byte_unpacker::raw(std::size_t size)
{
    if (failed || rest.size() < size) {
        failed = true;
        return {};
    }
    const std::string_view taken = rest.substr(0, size);
    rest.remove_prefix(size);
    return taken;
}

std::uint64_t byte_unpacker::number(std::size_t size)
{
    const std::string_view bytes = raw(size);
    std::uint64_t value = 0;
    for (std::size_t i = bytes.size(); i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return value;
}

std::string byte_unpacker::text()
{
    const std::uint64_t size = number();
    if (size > rest.size()) {
        failed = true;
        return {};
    }
    return std::string(raw(static_cast<std::size_t>(size)));
}
