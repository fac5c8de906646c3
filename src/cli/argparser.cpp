#include "cli/argparser.hpp"

#include "output/standard_streams.hpp"
#include "text/text.hpp"

argoption::argoption(std::string name, std::string help, bool takes_value)
    : name(std::move(name)), help(std::move(help)), takes_value(takes_value)
{
}

bool argoption::matches(const std::string& text) const
{
    return name == text;
}

void argoption::set_value(std::string text)
{
    value = std::move(text);
    given = true;
}

void argoption::print_entry(std::ostream& out, unsigned indent) const
{
    out << std::string(indent, '\t') << name << (takes_value ? " param\t" : " \t") << "\n"
        << wrap_text(help, 2, 43) << "\n";
}

argparser::argparser(int argc, char** argv) : argc(argc), argv(argv)
{
}

void argparser::add_option(std::string option_name, std::string help, bool takes_value)
{
    options.push_back(std::make_unique<argoption>(std::move(option_name), std::move(help), takes_value));
}

void argparser::parse()
{
    std::string pending;
    for (int i = 1; i < argc; ++i) {
        if (!argv[i])
            continue;
        std::string argument = trim(argv[i]);
        if (argument.empty())
            continue;
        if (!is_blank(pending)) {
            if (argoption* option = find_option(pending))
                option->set_value(std::move(argument));
            pending.clear();
        } else if (argument.front() == '-') {
            argoption* option = find_option(argument);
            if (!option)
                write_standard_error("Warning! Unknown option: [" + argument + "]\n");
            else if (option->takes_value)
                pending = argument;
            else
                option->set_value("true");
        } else {
            positionals.push_back(std::move(argument));
        }
    }
}

void argparser::usage(std::ostream& out) const
{
    out << "\n\nNAME\n"
        << "\t" << name << " " << version << "\n"
        << wrap_text(short_description, 1, width) << "\n"
        << "SYNOPSIS\n";
    for (const std::string& line : synopsis)
        out << "\t" << name << ".exe " << line << "\n";
    out << "DESCRIPTION\n"
        << wrap_text(long_description, 1, width) << "\n"
        << "OPTIONS\n";
    for (const auto& option : options)
        option->print_entry(out, 1);
    out << "BUGS\n"
        << "\tReporting Bugs\n"
        << "\t\tEmail bug reports to <" << email << ">\n"
        << "\t\tThe bug tracker located at\n"
        << "\t\t" << url << "\n";
}

argoption* argparser::find_option(const std::string& option_name) const
{
    for (const auto& option : options)
        if (option->matches(option_name))
            return option.get();
    return nullptr;
}

bool argparser::is_set(const std::string& option_name) const
{
    const argoption* option = find_option(option_name);
    return option && option->given;
}

std::string argparser::get_value(const std::string& option_name) const
{
    const argoption* option = find_option(option_name);
    return option ? option->value : std::string();
}

std::string argparser::positional(std::size_t index) const
{
    return index < positionals.size() ? positionals[index] : std::string();
}
