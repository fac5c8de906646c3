#include "cli/argparser.hpp"

#include <gtest/gtest.h>
#include <sstream>

namespace {

// Parses an argument list (without the program path) with the program's
// option kinds: -d and -p flags, -m and -i taking values.
struct parsed {
    std::vector<std::string> storage;
    std::vector<char*> argv;
    argparser parser;
    std::string warnings;

    explicit parsed(std::vector<std::string> args)
        : storage(with_program(std::move(args))), argv(pointers(storage)),
          parser(int(argv.size()), argv.data())
    {
        parser.add_option("-h", "help", false);
        parser.add_option("-d", "debug", false);
        parser.add_option("-p", "prefix", false);
        parser.add_option("-m", "mode", true);
        parser.add_option("-i", "encoding", true);
        testing::internal::CaptureStderr();
        parser.parse();
        warnings = testing::internal::GetCapturedStderr();
    }

    static std::vector<std::string> with_program(std::vector<std::string> args)
    {
        args.insert(args.begin(), "vestrel");
        return args;
    }
    static std::vector<char*> pointers(std::vector<std::string>& args)
    {
        std::vector<char*> result;
        for (auto& arg : args)
            result.push_back(arg.data());
        return result;
    }
};

using strings = std::vector<std::string>;

struct parse_case {
    strings args;
    strings positionals;
    std::string m;     // value of -m
    bool m_set;
    bool d_set;
    std::string warnings;
};

TEST(argparser, parse_cases)
{
    const parse_case cases[] = {
        {{}, {}, "", false, false, ""},
        {{"   "}, {}, "", false, false, ""},
        {{"-m", "   ", "3"}, {}, "3", true, false, ""},
        {{" -d "}, {}, "", false, true, ""},
        {{"-m", "-d"}, {}, "-d", true, false, ""},
        {{"-m", "1", "-m", "2"}, {}, "2", true, false, ""},
        {{"-m", "1", "-m"}, {}, "1", true, false, ""},
        {{"-m"}, {}, "", false, false, ""},
        {{"div", "-d", "a.html"}, {"div", "a.html"}, "", false, true, ""},
        {{"-m", "div", "a.html"}, {"a.html"}, "div", true, false, ""},
        {{"-x"}, {}, "", false, false, "Warning! Unknown option: [-x]\n"},
        {{"-"}, {}, "", false, false, "Warning! Unknown option: [-]\n"},
        {{"-D", "-dp", "-m1"}, {}, "", false, false,
         "Warning! Unknown option: [-D]\nWarning! Unknown option: [-dp]\n"
         "Warning! Unknown option: [-m1]\n"},
        {{"-x", "-x"}, {}, "", false, false,
         "Warning! Unknown option: [-x]\nWarning! Unknown option: [-x]\n"},
        {{"  a b  ", "\tc"}, {"a b", "\tc"}, "", false, false, ""},
        {{"--", "x"}, {"x"}, "", false, false, "Warning! Unknown option: [--]\n"},
    };
    for (const auto& c : cases) {
        parsed p(c.args);
        std::string context;
        for (const auto& arg : c.args)
            context += "[" + arg + "]";
        EXPECT_EQ(p.parser.positionals, c.positionals) << context;
        EXPECT_EQ(p.parser.get_value("-m"), c.m) << context;
        EXPECT_EQ(p.parser.is_set("-m"), c.m_set) << context;
        EXPECT_EQ(p.parser.is_set("-d"), c.d_set) << context;
        EXPECT_EQ(p.warnings, c.warnings) << context;
    }
}

TEST(argparser, a_flag_reads_true_and_queries_never_fail)
{
    parsed p({"-p", "sel"});
    EXPECT_EQ(p.parser.get_value("-p"), "true");
    EXPECT_FALSE(p.parser.is_set("-q"));
    EXPECT_EQ(p.parser.get_value("-q"), "");
    EXPECT_EQ(p.parser.find_option("-q"), nullptr);
    EXPECT_EQ(p.parser.positional_count(), 1u);
    EXPECT_EQ(p.parser.positional(0), "sel");
    EXPECT_EQ(p.parser.positional(1), "");
    EXPECT_EQ(p.parser.positional(SIZE_MAX), "");
}

TEST(argparser, null_entries_are_skipped)
{
    std::string program = "vestrel", a = "a", b = "b";
    char* argv[] = {program.data(), nullptr, a.data(), nullptr, b.data()};
    argparser parser(5, argv);
    parser.parse();
    EXPECT_EQ(parser.positionals, (strings{"a", "b"}));
}

TEST(argparser, option_entry_layout)
{
    argoption help("-h", "Print a usage message briefly summarizing these command-line options, "
                         "then exit.", false);
    argoption mode("-m", "short", true);
    std::ostringstream out;
    help.print_entry(out, 1);
    mode.print_entry(out, 3);
    EXPECT_EQ(out.str(),
              "\t-h \t\n"
              "\t\tPrint a usage message briefly summarizing these\n"
              "\t\tcommand-line options, then exit.\n"
              "\t\t\t-m param\t\n"
              "\t\tshort\n");
}

TEST(argparser, first_registered_of_duplicate_names_wins)
{
    std::string program = "vestrel", flag = "-x";
    char* argv[] = {program.data(), flag.data()};
    argparser parser(2, argv);
    parser.add_option("-x", "first", false);
    parser.add_option("-x", "second", true);
    parser.parse();
    EXPECT_EQ(parser.find_option("-x")->help, "first");
    EXPECT_EQ(parser.get_value("-x"), "true");
    EXPECT_EQ(parser.options.size(), 2u);
}

}
