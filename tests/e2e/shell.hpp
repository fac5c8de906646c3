// Running shell command lines from tests that check the files shipped beside
// the program (completion, manual page) with the tools that read them.
#pragma once

#include <string>

namespace e2e {

struct shell_output {
    int status = -1;   // as pclose reports it; 0 for success
    std::string text;  // standard output and standard error together
};

// Runs command with /bin/sh and collects what it writes.
shell_output run_shell(const std::string& command);

// text quoted for the shell, between single quotes.
std::string shell_quote(const std::string& text);

}
