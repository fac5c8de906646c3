// Inputs for the work on one input, as the run hands them over: open files
// that hold the given bytes.
#pragma once

#include "platform/owned_fd.hpp"
#include "processing/process_input.hpp"

#include <stdexcept>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

// A file that holds text, open for reading from its start.
inline owned_fd input_holding(std::string_view text)
{
    owned_fd file(memfd_create("input", MFD_CLOEXEC));
    if (!file.is_open() || write_all(file.fd, text) || lseek(file.fd, 0, SEEK_SET) != 0)
        throw std::runtime_error("cannot make an input file");
    return file;
}

// process_input over an input that holds text.
inline input_outcome process_text(const input_settings& settings, std::string_view text)
{
    return process_input(settings, input_holding(text).fd);
}
