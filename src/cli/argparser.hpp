// The command-line parser: the program's descriptive texts, a table of
// options, and the positional arguments left after parsing. It knows nothing
// of what the options mean.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

// One registered option: a flag, or an option whose value is the next argument.
class argoption {
public:
    std::string name;  // the whole option text, such as "-m"
    std::string value;
    std::string help;
    bool takes_value = false;
    bool given = false;

    argoption(std::string name, std::string help, bool takes_value);

    bool matches(const std::string& text) const;
    void set_value(std::string text);
    // Writes the option's usage-page entry.
    void print_entry(std::ostream& out, unsigned indent) const;
};

class argparser {
public:
    std::string name;
    std::string version;
    std::string short_description;
    std::string long_description;
    std::string email;
    std::string url;
    std::vector<std::string> synopsis;
    std::vector<std::unique_ptr<argoption>> options;
    std::vector<std::string> positionals;
    int width = 50;
    int argc;
    char** argv;

    argparser(int argc, char** argv);

    void set_name(std::string text) { name = std::move(text); }
    void set_version(std::string text) { version = std::move(text); }
    void set_email(std::string text) { email = std::move(text); }
    void set_url(std::string text) { url = std::move(text); }
    void set_short_description(std::string text) { short_description = std::move(text); }
    void set_long_description(std::string text) { long_description = std::move(text); }
    void add_synopsis(std::string line) { synopsis.push_back(std::move(line)); }
    void add_option(std::string option_name, std::string help, bool takes_value);

    // Splits argv into option settings and positionals; warns on standard
    // error of each argument that looks like an option but is not registered.
    void parse();
    // Writes the usage page; the program shows it on standard output.
    void usage(std::ostream& out) const;

    argoption* find_option(const std::string& option_name) const;
    bool is_set(const std::string& option_name) const;
    std::string get_value(const std::string& option_name) const;
    const std::string& get_version() const { return version; }
    std::size_t positional_count() const { return positionals.size(); }
    std::string positional(std::size_t index) const;
};
