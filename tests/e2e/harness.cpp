#include "harness.hpp"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sstream>
#include <stdexcept>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace e2e {

namespace {

// Who runs the program, and which copy of it.
struct identity {
    uid_t user = 0;  // 0 keeps the tests' own user
    fs::path binary = VESTREL_BINARY;
};

// The user that permission checks are tried as when the tests run as root.
constexpr uid_t nobody = 65534;

run_result run_as(const identity& who, const std::vector<std::string>& args,
                  const fs::path& cwd, const run_options& options);

}

scratch_dir::scratch_dir()
{
    std::string templ = (fs::temp_directory_path() / "vestrel-e2e-XXXXXX").string();
    if (!mkdtemp(templ.data()))
        throw std::runtime_error("mkdtemp failed");
    path = templ;
}

scratch_dir::~scratch_dir()
{
    std::error_code ignored;
    // A test may leave read-only directories behind; make them writable first.
    for (auto it = fs::recursive_directory_iterator(path, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path, ignored);
}

void scratch_dir::write(const std::string& name, const std::string& content) const
{
    const fs::path target = path / name;
    fs::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << content;
}

std::string scratch_dir::read(const std::string& name) const
{
    std::ifstream in(path / name, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool scratch_dir::exists(const std::string& name) const
{
    return fs::exists(path / name);
}

std::map<std::string, std::string> scratch_dir::files() const
{
    std::map<std::string, std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(path))
        if (entry.is_regular_file())
            found[fs::relative(entry.path(), path).string()] =
                read(fs::relative(entry.path(), path).string());
    return found;
}

namespace {

// A copy of the binary in a directory of its own that every user may enter,
// made once per test process: the build tree may lie under a directory that
// only its owner can enter.
const fs::path& binary_for_everyone()
{
    static const scratch_dir dir;
    static const fs::path copy = [] {
        const fs::path target = dir.path / "vestrel";
        fs::copy_file(VESTREL_BINARY, target);
        const auto everyone = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                              | fs::perms::others_read | fs::perms::others_exec;
        fs::permissions(dir.path, everyone);
        fs::permissions(target, everyone);
        return target;
    }();
    return copy;
}

// Whether the user can run the binary in cwd: tried in a child that has
// become that user.
bool can_run_in(uid_t user, const fs::path& binary, const fs::path& cwd)
{
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        const bool dropped = setgroups(0, nullptr) == 0 && setgid(user) == 0 && setuid(user) == 0;
        _exit(dropped && access(binary.c_str(), X_OK) == 0
                      && access(cwd.c_str(), R_OK | W_OK | X_OK) == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void give_one_to(uid_t user, const fs::path& path)
{
    if (lchown(path.c_str(), user, user) != 0)
        throw std::runtime_error("cannot hand " + path.string() + " to user "
                                 + std::to_string(user));
}

// Hands path and everything below it to the user.
void give_to(uid_t user, const fs::path& path)
{
    give_one_to(user, path);
    for (const auto& entry : fs::recursive_directory_iterator(path))
        give_one_to(user, entry.path());
}

}

std::optional<std::string> unprivileged_run_unavailable(const scratch_dir& cwd)
{
    if (geteuid() != 0)
        return std::nullopt;
    give_to(nobody, cwd.path);
    const fs::path& binary = binary_for_everyone();
    if (can_run_in(nobody, binary, cwd.path))
        return std::nullopt;
    return "user " + std::to_string(nobody) + " cannot reach " + binary.string() + " or "
           + cwd.path.string() + ": point TMPDIR at a directory that every user may enter";
}

run_result run_vestrel_unprivileged(const std::vector<std::string>& args,
                                    const scratch_dir& cwd, const run_options& options)
{
    if (geteuid() != 0)
        return run_vestrel(args, cwd.path, options);
    give_to(nobody, cwd.path);
    return run_as({nobody, binary_for_everyone()}, args, cwd.path, options);
}

std::string bracketed(const std::vector<std::string>& args)
{
    std::string text;
    for (const auto& arg : args)
        text += "[" + arg + "]";
    return text;
}

fs::path test_data(const std::string& name)
{
    return fs::path(VESTREL_TEST_DATA) / name;
}

namespace {

struct pipe_pair {
    int read_end = -1;
    int write_end = -1;
    pipe_pair()
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        read_end = fds[0];
        write_end = fds[1];
    }
};

void close_fd(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

// Makes the terminal the controlling terminal of a new session, whose leader
// stays in the foreground and waits, ending as it ends, while the caller goes
// on in a process group of its own, in the background.
void run_in_the_background_of(int terminal)
{
    if (setsid() < 0 || ioctl(terminal, TIOCSCTTY, 0) != 0)
        _exit(125);
    const pid_t runner = fork();
    if (runner < 0)
        _exit(125);
    if (runner > 0) {
        int status = 0;
        waitpid(runner, &status, 0);
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
    if (setpgid(0, 0) != 0)
        _exit(125);
}

[[noreturn]] void exec_child(const identity& who, const std::vector<std::string>& args,
                             const fs::path& cwd, const run_options& options, int in_fd,
                             int out_fd, int err_fd)
{
    if (who.user != 0 && (setgroups(0, nullptr) != 0 || setgid(who.user) != 0
                          || setuid(who.user) != 0))
        _exit(126);
    dup2(in_fd, 0);
    dup2(out_fd, 1);
    dup2(err_fd, 2);
    if (chdir(cwd.c_str()) != 0)
        _exit(127);
    if (options.terminal && options.terminal->in_the_background)
        run_in_the_background_of(STDERR_FILENO);
    if (options.terminal) {
        if (options.terminal->term)
            setenv("TERM", options.terminal->term->c_str(), 1);
        else
            unsetenv("TERM");
    }
    for (const auto& [name, value] : options.environment)
        setenv(name.c_str(), value.c_str(), 1);
    signal(SIGPIPE, SIG_DFL);
    if (options.prepare)
        options.prepare();
    std::vector<char*> argv;
    std::string binary = who.binary.string();
    argv.push_back(binary.data());
    std::vector<std::string> copies(args);
    for (auto& arg : copies)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(binary.c_str(), argv.data());
    _exit(127);
}

// A pseudo-terminal in raw mode, both ends closed on exec.
struct terminal_pair {
    int master = -1;
    int slave = -1;
    explicit terminal_pair(unsigned short columns)
    {
        termios raw{};
        cfmakeraw(&raw);
        winsize size{};
        size.ws_row = 24;
        size.ws_col = columns;
        if (openpty(&master, &slave, nullptr, &raw, &size) != 0)
            throw std::runtime_error("openpty failed");
        fcntl(master, F_SETFD, FD_CLOEXEC);
        fcntl(slave, F_SETFD, FD_CLOEXEC);
    }
};

int decode_status(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

run_result run_as(const identity& who, const std::vector<std::string>& args,
                  const fs::path& cwd, const run_options& options)
{
    const auto& stdin_data = options.stdin_data;
    signal(SIGPIPE, SIG_IGN);  // the program may exit without reading its input
    pipe_pair in, out, err;
    if (options.terminal) {
        // The terminal takes the place of the pipe of standard error.
        const terminal_pair terminal(options.terminal->columns);
        close_fd(err.read_end);
        close_fd(err.write_end);
        err.read_end = terminal.master;
        err.write_end = terminal.slave;
        if (options.terminal->standard_output_too) {
            close_fd(out.read_end);
            close_fd(out.write_end);
            out.write_end = fcntl(terminal.slave, F_DUPFD_CLOEXEC, 0);
        }
    }
    int null_fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0)
        exec_child(who, args, cwd, options, stdin_data ? in.read_end : null_fd, out.write_end,
                   options.merge_stderr ? out.write_end : err.write_end);
    close_fd(null_fd);
    close_fd(in.read_end);
    close_fd(out.write_end);
    close_fd(err.write_end);
    if (!stdin_data)
        close_fd(in.write_end);
    else
        fcntl(in.write_end, F_SETFL, O_NONBLOCK);

    run_result result;
    std::optional<std::string> interrupt;
    if (options.terminal)
        interrupt = options.terminal->interrupt_when_shown;
    std::size_t written = 0;
    const auto deadline = std::chrono::steady_clock::now() + options.timeout;
    while (out.read_end >= 0 || err.read_end >= 0) {
        if (in.write_end >= 0 && written == stdin_data->size())
            close_fd(in.write_end);
        pollfd fds[3] = {{out.read_end, POLLIN, 0}, {err.read_end, POLLIN, 0},
                         {in.write_end, POLLOUT, 0}};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.timed_out = true;
            kill(pid, SIGKILL);
            break;
        }
        if (poll(fds, 3, static_cast<int>(left.count())) < 0 && errno != EINTR)
            break;
        char buffer[65536];
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0)
                (i == 0 ? result.out : result.err).append(buffer, std::size_t(n));
            else
                close_fd(i == 0 ? out.read_end : err.read_end);
        }
        if (interrupt && result.err.find(*interrupt) != std::string::npos) {
            kill(pid, SIGINT);
            interrupt.reset();
        }
        if (fds[2].fd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = write(in.write_end, stdin_data->data() + written,
                                    stdin_data->size() - written);
            if (n > 0)
                written += std::size_t(n);
            else if (errno != EAGAIN)
                close_fd(in.write_end);
        }
    }
    close_fd(in.write_end);
    close_fd(out.read_end);
    close_fd(err.read_end);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exit_code = decode_status(status);
    return result;
}

}

run_result run_vestrel(const std::vector<std::string>& args, const fs::path& cwd,
                       const run_options& options)
{
    return run_as({}, args, cwd, options);
}

run_result run_vestrel(const std::vector<std::string>& args, const fs::path& cwd,
                       const std::optional<std::string>& stdin_data,
                       std::chrono::seconds timeout, bool merge_stderr)
{
    run_options options;
    options.stdin_data = stdin_data;
    options.timeout = timeout;
    options.merge_stderr = merge_stderr;
    return run_vestrel(args, cwd, options);
}

}
