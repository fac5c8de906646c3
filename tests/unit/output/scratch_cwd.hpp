// A fresh temporary directory that is the working directory for the lifetime
// of the object; afterwards the old working directory is back and the
// temporary one is removed with everything in it.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

class scratch_cwd {
public:
    scratch_cwd() : previous_(std::filesystem::current_path())
    {
        std::string templ =
            (std::filesystem::temp_directory_path() / "vestrel-unit-XXXXXX").string();
        if (mkdtemp(templ.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = templ;
        std::filesystem::current_path(path_);
    }
    scratch_cwd(const scratch_cwd&) = delete;
    scratch_cwd& operator=(const scratch_cwd&) = delete;
    ~scratch_cwd()
    {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(path_, ignored);
    }

    // Every regular file below the directory, by relative name, with its content.
    std::map<std::string, std::string> files() const
    {
        std::map<std::string, std::string> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path_))
            if (entry.is_regular_file())
                found[std::filesystem::relative(entry.path(), path_).string()] =
                    read(entry.path());
        return found;
    }

    static std::string read(const std::filesystem::path& name)
    {
        std::ifstream in(name, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

    static void write(const std::filesystem::path& name, const std::string& content)
    {
        std::ofstream(name, std::ios::binary) << content;
    }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};
