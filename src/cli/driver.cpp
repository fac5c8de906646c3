#include "cli/driver.hpp"

#include "cli/argparser.hpp"
#include "cli/input_feeder.hpp"
#include "jobs/cpu_time_limit.hpp"
#include "jobs/job_count.hpp"
#include "jobs/ordered_run.hpp"
#include "loading/tidy_worker.hpp"
#include "output/run_output.hpp"
#include "output/standard_streams.hpp"
#include "output/status_line.hpp"
#include "processing/process_input.hpp"
#include "text/text.hpp"

#include <cstdlib>
#include <optional>
#include <span>
#include <sstream>

namespace {

// The names, separated by ", ", the last one by last_separator.
std::string listed(std::span<const std::string_view> names, std::string_view last_separator)
{
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? last_separator : ", ";
        text += names[i];
    }
    return text;
}

struct option_entry {
    const char* name;
    bool takes_value;
    std::string help;
};

// The program's options, in the order of the usage page.
std::vector<option_entry> option_table()
{
    return {
        {"-h", false,
         "Print a usage message briefly summarizing these command-line options, then exit."},
        {"-v", false,
         "Print the version number of grep to the standard output stream. This version number "
         "should be included\tin all bug reports (see below)."},
        {"-d", false,
         "Verbose mode.  Causes tool to print debugging messages about its progress."},
        {"-m", true,
         "Suppress default output mode! Usually there is stdout mode (0), but you can use other "
         "supported modes such as: (1) Save only one output file '_all.lst' with all the "
         "collected matches. (2) Save search matches from one file into new file, using filename "
         "the source file and predefined extension '.lst' as template to specify the target "
         "file. (3) Save each item into separated files (filename+counter+.lst). (4) Save each "
         "item into separated files (counter+.lst). (5) Make _index.lst an ordered list from A "
         "tags. Matched items will be cleaned on the strip_tags(), but (6) mode don't use it."},
        {"-p", false, "Add the file name before each group: <!--****%s-->"},
        {"-i", true,
         "Set the input character encoding for parsing markup (output is always utf8). Values "
         "include: " + listed(offered_encodings, " and ") + ". Case in-sensitive. For "
         "unsupported encodings, use an external utility to convert to and from utf8."},
    };
}

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
    for (option_entry& option : option_table())
        parser.add_option(option.name, std::move(option.help), option.takes_value);
}

// What the command line decided for the whole run.
struct run_settings {
    bool verbose = false;
    bool prefix = false;
    std::string selector;
    std::optional<std::string> encoding_name;
    int mode = 0;
    // The file arguments; without any, standard input is the one input.
    std::vector<std::string> files;
};

run_settings settings_from(const argparser& parser)
{
    run_settings settings;
    settings.verbose = parser.is_set("-d");
    settings.prefix = parser.is_set("-p");
    settings.selector = parser.positional(0);
    if (parser.is_set("-i"))
        settings.encoding_name = parser.get_value("-i");
    if (parser.is_set("-m"))
        settings.mode = to_int(parser.get_value("-m"));
    for (std::size_t i = 1; i < parser.positional_count(); ++i)
        settings.files.push_back(parser.positional(i));
    return settings;
}

// The usage page on standard output; the exit status it gives, or the one of
// a run whose output was lost.
int show_usage(const argparser& parser, int status)
{
    std::ostringstream page;
    parser.usage(page);
    if (!write_standard_output(page.str()) || !close_standard_output())
        return lost_results_status;
    return status;
}

// The encoding named with "-i"; without one, each page is read in its own. A
// name that is not known is reported once, and the inputs are read as UTF-8.
input_encoding encoding_from(const std::optional<std::string>& name)
{
    if (!name)
        return {};
    if (auto known = choose_input_encoding(*name))
        return *known;
    write_standard_error(program_line(
        "unknown encoding '" + *name + "', reading UTF-8; known: " + listed(offered_encodings, ", ")
        + ", and the labels of the Encoding Standard, such as iso-8859-2, koi8-r, gbk or euc-kr"));
    input_encoding utf8;
    utf8.from_page = false;
    return utf8;
}

// Says that an environment variable's value was passed over for the default,
// when it was: "vestrel: ignoring VARIABLE='VALUE', which is not WANTED".
void warn_if_ignored(std::string_view variable, const std::optional<std::string>& ignored,
                     std::string_view wanted)
{
    if (ignored)
        write_standard_error(program_line("ignoring " + std::string(variable) + "='" + *ignored
                                          + "', which is not " + std::string(wanted)));
}

// How many inputs are worked on at once: one for standard input, otherwise
// what VESTREL_JOBS or the machine says.
unsigned jobs_for(const run_settings& settings)
{
    const job_count jobs = choose_job_count(std::getenv("VESTREL_JOBS"));
    warn_if_ignored("VESTREL_JOBS", jobs.ignored_setting, "a positive integer");
    if (jobs.capped_setting)
        write_standard_error(program_line("VESTREL_JOBS='" + *jobs.capped_setting
                                          + "' is more than " + std::to_string(most_jobs)
                                          + ", using " + std::to_string(most_jobs)));
    return settings.files.empty() ? 1 : jobs.count;
}

// The seconds of CPU time one input may take in its worker, from
// VESTREL_TIMEOUT; 0 for no limit.
unsigned cpu_seconds_per_input()
{
    const cpu_time_limit limit = choose_cpu_time_limit(std::getenv("VESTREL_TIMEOUT"));
    warn_if_ignored("VESTREL_TIMEOUT", limit.ignored_setting, "a number of seconds");
    return limit.seconds;
}

// Whether a status line may show where the run is, from VESTREL_PROGRESS.
progress_choice progress_from_environment()
{
    const progress_setting progress = choose_progress(std::getenv("VESTREL_PROGRESS"));
    warn_if_ignored("VESTREL_PROGRESS", progress.ignored_setting, "0 or 1");
    return progress.choice;
}

// The cache that VESTREL_CACHE names, when it names one that may be used;
// one that may not is reported once.
std::optional<document_cache> cache_from(const std::string& directory)
{
    if (directory.empty())
        return std::nullopt;
    cache_opening opening = open_cache(directory);
    if (!opening.cache)
        report("cache " + directory, opening.problem);
    return std::move(opening.cache);
}

// What each worker does before its first input: lets go of the files only
// the run writes, and ends as out of memory when Tidy runs out of it.
void prepare_worker(run_output& out)
{
    out.forget_in_worker();
    exit_when_tidy_runs_out_of_memory(out_of_memory_status);
}

// The work of one job: the input handed over, worked on; a worker that ran
// short of memory ends after it, so that the input may be tried again in a
// fresh one.
work_reply work_on(const input_settings& settings, owned_fd input)
{
    input_outcome outcome = process_input(settings, input.fd);
    const bool short_of_memory = outcome.short_of_memory;
    return work_reply(pack_outcome(std::move(outcome)), short_of_memory);
}

// Works on every input and writes what each gives, in command-line order.
int run_inputs(const run_settings& settings)
{
    input_settings work{settings.verbose, settings.selector, encoding_from(settings.encoding_name)};
    const unsigned jobs = jobs_for(settings);
    const unsigned cpu_seconds = cpu_seconds_per_input();
    const progress_choice progress = progress_from_environment();
    const char* cache_setting = std::getenv("VESTREL_CACHE");
    const std::string cache_directory = cache_setting ? cache_setting : "";
    const std::optional<document_cache> cache = cache_from(cache_directory);
    work.cache = cache ? &*cache : nullptr;
    run_output out(settings.mode, settings.prefix);
    // Tidy runs in this process only when no worker process can be started;
    // running out of memory there cannot be contained.
    exit_when_tidy_runs_out_of_memory(
        lost_results_status,
        program_line("Tidy ran out of memory where no worker process could contain it; the run "
                     "ends here"));
    ordered_run run(
        jobs, [&work](owned_fd input) { return work_on(work, std::move(input)); },
        [&out] { prepare_worker(out); }, cpu_seconds);
    input_feeder feeder(settings.verbose, "cache " + cache_directory, out, run);
    status_line status(progress, settings.mode, settings.verbose, status_clock::now());
    if (status.may_show())
        run.wake_every(status_line::redraw_period, [&status, &feeder] {
            const status_clock::time_point now = status_clock::now();
            if (status.due(now))
                status.draw(feeder.progress(), now);
        });
    if (settings.files.empty())
        feeder.feed_standard_input();
    else
        feeder.feed_arguments(settings.files);
    if (out.stopped())
        run.abandon();
    else
        run.drain();
    status.take_down();
    return out.finish();
}

}

int run_vestrel(int argc, char** argv)
{
    guard_standard_streams();
    argparser parser(argc, argv);
    describe_program(parser);
    parser.parse();

    if (argc == 1 || parser.is_set("-h"))
        return show_usage(parser, 1);
    if (parser.is_set("-v")) {
        write_standard_error(parser.get_version() + "\n");
        return 0;
    }
    const run_settings settings = settings_from(parser);
    if (parser.positional_count() == 0) {
        const int status = show_usage(parser, 2);
        if (status == lost_results_status)
            return status;
        write_standard_error("\n\n **** The CSS_SELECTOR was not found in a command line! **** \n\n");
        return status;
    }
    if (settings.verbose)
        write_standard_error("**** The group of selector: " + settings.selector + "\n");
    return run_inputs(settings);
}
