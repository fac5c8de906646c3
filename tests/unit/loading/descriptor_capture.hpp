// Collects what is written to standard output and standard error while a
// piece of work runs, at the file descriptors: what a C library writes with
// stdio or write(2) is caught as well as what goes through iostreams, which
// a stream-buffer swap would miss. The bytes go to temporary files, so a long
// write cannot block as on a full pipe.
#pragma once

#include <cstdio>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>

struct descriptor_output {
    std::string out;
    std::string err;
};

namespace descriptor_capture_detail {

struct file_closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Sends one descriptor to a temporary file until it goes away.
class redirected {
public:
    explicit redirected(int fd) : fd_(fd), saved_(dup(fd)), file_(std::tmpfile())
    {
        if (saved_ < 0 || !file_ || dup2(fileno(file_.get()), fd_) < 0)
            throw std::runtime_error("cannot redirect a descriptor");
    }
    redirected(const redirected&) = delete;
    redirected& operator=(const redirected&) = delete;
    ~redirected()
    {
        dup2(saved_, fd_);
        close(saved_);
    }

    std::string text() const
    {
        std::string text;
        char block[4096];
        ssize_t got;
        for (off_t at = 0; (got = pread(fileno(file_.get()), block, sizeof block, at)) > 0; at += got)
            text.append(block, static_cast<std::size_t>(got));
        return text;
    }

private:
    int fd_;
    int saved_;
    std::unique_ptr<std::FILE, file_closer> file_;
};

inline void flush_everything()
{
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
}

}

// Runs work with standard output and standard error caught, and gives back
// what reached each.
template <class Work>
descriptor_output capture_descriptors(Work work)
{
    using namespace descriptor_capture_detail;
    flush_everything();
    descriptor_output output;
    {
        const redirected out(STDOUT_FILENO);
        const redirected err(STDERR_FILENO);
        work();
        flush_everything();
        output.out = out.text();
        output.err = err.text();
    }
    return output;
}
