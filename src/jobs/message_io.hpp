// Messages between the run and its worker processes: each is a list of byte
// strings, sent whole over a stream socket or pipe, and over a socket it may
// carry one open file descriptor along.
#pragma once

#include "platform/owned_fd.hpp"

#include <optional>
#include <string>
#include <vector>

using message = std::vector<std::string>;

// Writes the whole message, with file, when it is not -1, passed along as an
// open descriptor (the receiver gets its own; this one stays open). False
// when the other end is gone or a write failed; never raises SIGPIPE on a
// socket.
bool send_message(int fd, const message& parts, int file = -1);

// Reads one whole message; none at end of input or on a read error, or when
// what arrives is not a well-formed message. A descriptor passed along with
// the message goes to file, when it is given, and is closed otherwise.
std::optional<message> receive_message(int fd, owned_fd* file = nullptr);
