// Messages between the run and its worker processes: each is a list of byte
// strings, sent whole over a stream socket or pipe.
#pragma once

#include <optional>
#include <string>
#include <vector>

using message = std::vector<std::string>;

// Writes the whole message. False when the other end is gone or a write
// failed; never raises SIGPIPE on a socket.
bool send_message(int fd, const message& parts);

// Reads one whole message; none at end of input or on a read error, or when
// what arrives is not a well-formed message.
std::optional<message> receive_message(int fd);
