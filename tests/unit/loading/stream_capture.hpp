// Collects what the code under test writes to a standard stream, for the
// lifetime of the object.
#pragma once

#include <ostream>
#include <sstream>
#include <string>

class stream_capture {
public:
    explicit stream_capture(std::ostream& stream)
        : stream_(stream), saved_(stream.rdbuf(captured_.rdbuf())) {}
    stream_capture(const stream_capture&) = delete;
    stream_capture& operator=(const stream_capture&) = delete;
    ~stream_capture() { stream_.rdbuf(saved_); }

    std::string text() const { return captured_.str(); }

private:
    std::ostringstream captured_;
    std::ostream& stream_;
    std::streambuf* saved_;
};
