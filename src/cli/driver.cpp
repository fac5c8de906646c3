#include "cli/driver.hpp"

#include "cli/argparser.hpp"
#include "cli/inputs.hpp"
#include "output/list_files.hpp"
#include "output/output_modes.hpp"
#include "output/process_input.hpp"
#include "text/text.hpp"

#include <cstdio>
#include <iostream>
#include <optional>

namespace {

struct option_entry {
    const char* name;
    bool takes_value;
    const char* help;
};

// The program's options, in the order of the usage page.
constexpr option_entry option_table[] = {
    {"-h", false,
     "Print a usage message briefly summarizing these command-line options, then exit."},
    {"-v", false,
     "Print the version number of grep to the standard output stream. This version number "
     "should be included\tin all bug reports (see below)."},
    {"-d", false, "Verbose mode.  Causes tool to print debugging messages about its progress."},
    {"-m", true,
     "Suppress default output mode! Usually there is stdout mode (0), but you can use other "
     "supported modes such as: (1) Save only one output file '_all.lst' with all the collected "
     "matches. (2) Save search matches from one file into new file, using filename the source "
     "file and predefined extension '.lst' as template to specify the target file. (3) Save each "
     "item into separated files (filename+counter+.lst). (4) Save each item into separated files "
     "(counter+.lst). (5) Make _index.lst an ordered list from A tags. Matched items will be "
     "cleaned on the strip_tags(), but (6) mode don't use it."},
    {"-p", false, "Add the file name before each group: <!--****%s-->"},
    {"-i", true,
     "Set the input character encoding for parsing markup (output is always utf8). Values "
     "include: ascii, latin1, raw, utf8, iso2022, mac, win1251, win1252, utf16le, utf16be, "
     "utf16, big5 and shiftjis. Case in-sensitive. For unsupported encodings, use an external "
     "utility to convert to and from utf8."},
};

void describe_program(argparser& parser)
{
    parser.set_name("Vestrel");
    parser.set_version(VESTREL_VERSION);
    parser.set_email(VESTREL_BUG_EMAIL);
    parser.set_url(VESTREL_BUG_URL);
    parser.set_short_description("Print the html items matching a pattern (group of CSS selectors)");
    parser.set_long_description(
        "Prints a list of the elements within the HTML files (using depth-first pre-order "
        "traversal of the document's nodes) that match the specified group of selectors.  If "
        "the selectors string contains a CSS pseudo-element, the returned list will be empty.");
    parser.add_synopsis("[OPTIONS] CSS_SELECTOR [FILE...]");
    for (const option_entry& option : option_table)
        parser.add_option(option.name, option.help, option.takes_value);
}

// What the command line decided for the whole run.
struct run_settings {
    bool verbose = false;
    bool prefix = false;
    std::string selector;
    std::optional<std::string> input_encoding;
    int mode = 0;
};

run_settings settings_from(const argparser& parser)
{
    run_settings settings;
    settings.verbose = parser.is_set("-d");
    settings.prefix = parser.is_set("-p");
    settings.selector = parser.positional(0);
    if (parser.is_set("-i"))
        settings.input_encoding = parser.get_value("-i");
    if (parser.is_set("-m"))
        settings.mode = to_int(parser.get_value("-m"));
    return settings;
}

// Empties the list file that the chosen mode appends to across inputs.
void reset_collective_list(int mode)
{
    if (mode == mode_all_list)
        reset_list_file(all_list_name);
    else if (mode == mode_clean_index || mode == mode_raw_index)
        reset_list_file(index_list_name);
}

void process(const run_settings& settings, std::vector<std::string>& results,
             const std::string& input_text, const std::string& display_name)
{
    process_input(results, settings.verbose, input_text, settings.selector,
                  settings.input_encoding, std::nullopt, settings.mode, settings.prefix,
                  display_name);
}

void process_file_arguments(const argparser& parser, const run_settings& settings,
                            std::vector<std::string>& results)
{
    for (std::size_t i = 1; i < parser.positional_count(); ++i) {
        for (const std::string& name : resolve_argument(parser.positional(i), settings.verbose)) {
            if (settings.verbose)
                std::cerr << "**** Loading: " << name << "\n";
            if (const auto text = read_input_file(name))
                process(settings, results, *text, name);
        }
    }
}

}

int run_vestrel(int argc, char** argv)
{
    argparser parser(argc, argv);
    describe_program(parser);
    parser.parse();

    if (argc == 1 || parser.is_set("-h")) {
        parser.usage();
        return 1;
    }
    if (parser.is_set("-v")) {
        std::cerr << parser.get_version() << "\n";
        return 0;
    }
    const run_settings settings = settings_from(parser);
    if (parser.positional_count() == 0) {
        parser.usage();
        std::cerr << "\n\n **** The CSS_SELECTOR was not found in a command line! **** \n\n";
        return 2;
    }
    if (settings.verbose)
        std::cerr << "**** The group of selector: " << settings.selector << "\n";
    reset_collective_list(settings.mode);

    std::vector<std::string> results;
    if (parser.positional_count() == 1)
        process(settings, results, read_whole(stdin), "stdin");
    else
        process_file_arguments(parser, settings, results);
    return 0;
}
