#include "shell.hpp"

#include <cstdio>

namespace e2e {

shell_output run_shell(const std::string& command)
{
    shell_output result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        result.text.append(buffer, n);
    result.status = pclose(pipe);
    return result;
}

std::string shell_quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}
