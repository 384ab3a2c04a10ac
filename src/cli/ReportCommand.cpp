#include "cli/ArgumentParser.h"
#include "cli/Command.h"
#include "cli/DataFileInput.h"
#include "cli/DataLocation.h"
#include "cli/TimeArgument.h"
#include "cli/UserOptions.h"

#include "core/platform/Clock.h"
#include "core/platform/FileSystem.h"
#include "core/reports/Report.h"
#include "core/reports/ReportCommands.h"
#include "core/reports/ReportWriter.h"

#include <memory>
#include <optional>
#include <ostream>

namespace {

std::optional<ReportPeriod> ParseKind(const std::string& name) {
    if (name == "today")
        return PeriodToday;
    if (name == "week")
        return PeriodWeek;
    if (name == "month")
        return PeriodMonth;
    if (name == "year")
        return PeriodYear;
    if (name == "total")
        return PeriodTotal;
    return std::nullopt;
}

// Writes the HTML report the desktop program writes for the same items, options and moment.
class CReportCommand final : public CCommand {
public:
    const char* Name() const override { return "report"; }
    const char* Summary() const override { return "write an HTML report of a data file"; }
    const char* Operands() const override { return "[FILE]"; }
    std::string Description() const override {
        return "Writes the HTML report of FILE (default: your main data file) to OUT.html,\n"
               "byte for byte the file the program writes for the same items, options and\n"
               "moment. The items come from exactly one of: a custom report file (--items;\n"
               "items naming a missing project are left out), one item per project (--all\n"
               "KIND, sections in the reverse order of the project list), or one project\n"
               "(--project NAME --kind KIND). KIND is today, week, month, year or total.\n"
               "Notes default to top; page lines and the week start default to your options.\n"
               "A damaged FILE gives the report of what was read before the damage and exits\n"
               "with 1; 2 means bad usage, an unreadable or missing file or project, or a\n"
               "report that could not be written.\n";
    }
    void AddOptions(CArgumentParser& parser) const override {
        parser.AddOption("--output", 'o', "OUT.html",
                         "the report file to write (replaced if it exists)");
        parser.AddOption("--title", "TITLE", "the report's title");
        parser.AddOption("--items", "DEF.pnr", "the items of a custom report file");
        parser.AddOption("--all", "KIND", "one item of this kind per project");
        parser.AddOption("--project", "NAME", "one item for this project (with --kind)");
        parser.AddOption("--kind", "KIND", "the kind of the --project item");
        parser.AddFlag("--periods", 0, "a line for each time period");
        parser.AddOption("--notes", "top|bottom|omit",
                         "multiline notes: first line only, at the bottom, or left out "
                         "(default: top)");
        parser.AddFlag("--title-page", 0, "begin with a title page");
        parser.AddFlag("--cost", 0, "the money owed at each project's rate");
        parser.AddOption("--page-lines", "N",
                         "blank lines below the title page's list, 5 to 50 (default: your "
                         "option)");
        parser.AddOption("--week-start", "DAY",
                         "first day of the week, 0 (Sunday) to 6 or a day name (default: "
                         "your option)");
        parser.AddOption("--now", "YYYY-MM-DDTHH:MM:SS",
                         "the moment of the report, in local time (default: now); a time the "
                         "clocks repeat or skip when "
                         "daylight saving changes is refused");
        parser.SetOperandCount(0, 1);
    }

    int Run(const ParsedArguments& arguments, CommandContext& context) override {
        const auto output = arguments.Value("--output");
        if (!output) {
            context.Error("report: --output OUT.html is required");
            return kExitUsage;
        }
        const auto title = arguments.Value("--title");
        if (!title) {
            context.Error("report: --title TITLE is required");
            return kExitUsage;
        }
        const int sources =
            arguments.Has("--items") + arguments.Has("--all") + arguments.Has("--project");
        if (sources != 1) {
            context.Error("report: give exactly one of --items DEF.pnr, --all KIND and "
                          "--project NAME --kind KIND");
            return kExitUsage;
        }
        if (arguments.Has("--project") != arguments.Has("--kind")) {
            context.Error("report: --project and --kind go together");
            return kExitUsage;
        }
        std::optional<ReportPeriod> kind;
        for (const char* option : {"--all", "--kind"}) {
            if (const auto text = arguments.Value(option)) {
                kind = ParseKind(*text);
                if (!kind) {
                    context.Error(std::string(option) + ": \"" + *text +
                                  "\" is not one of today, week, month, year, total");
                    return kExitUsage;
                }
            }
        }

        const COptions userOptions = ReadUserOptions();
        ReportOptions options;
        options.title = *title;
        options.showPeriods = arguments.Has("--periods");
        options.titlePage = arguments.Has("--title-page");
        options.costPerHour = arguments.Has("--cost");
        options.pageLines = userOptions.m_wPageLines;
        if (const auto text = arguments.Value("--notes")) {
            const auto mode = ParseNotesMode(*text);
            if (!mode) {
                context.Error("--notes: \"" + *text + "\" is not one of top, bottom, omit");
                return kExitUsage;
            }
            options.notesMode = *mode;
        }
        if (const auto text = arguments.Value("--page-lines")) {
            const auto lines = ParsePageLines(*text);
            if (!lines) {
                context.Error("--page-lines: \"" + *text + "\" is not a number from 5 to 50");
                return kExitUsage;
            }
            options.pageLines = *lines;
        }
        unsigned weekStart = userOptions.m_wWeekStart;
        if (const auto text = arguments.Value("--week-start")) {
            const auto parsed = ParseWeekStartArgument(*text);
            if (!parsed) {
                context.Error("--week-start: \"" + *text +
                              "\" is not a day (0 for Sunday to 6 for Saturday, or a name)");
                return kExitUsage;
            }
            weekStart = *parsed;
        }
        std::int64_t now = SystemClock().Now();
        if (const auto text = arguments.Value("--now")) {
            std::string problem;
            const auto parsed = ParseLocalTimeArgument(*text, &problem);
            if (!parsed) {
                context.Error(DescribeBadLocalTime(*text, problem));
                return kExitUsage;
            }
            now = *parsed;
        }

        std::string path;
        if (!ResolveDataFile(arguments, context, path))
            return kExitUsage;
        CDataFileInput input;
        const int status = input.Read(path, context);
        if (status == kExitUsage)
            return status;
        const CStore& store = input.Store();

        CReport report;
        if (const auto items = arguments.Value("--items")) {
            const ReportFileResult loaded = report.ReplaceItemsFromFile(*items, store);
            if (!loaded.ok) {
                context.Error(loaded.message);
                return kExitUsage;
            }
            if (loaded.itemsOfUnknownKind != 0)
                context.Error(DescribeSkippedItems(*items, loaded.itemsOfUnknownKind));
            if (loaded.itemsDropped != 0)
                context.Error(*items + ": left out " +
                              CountOf(loaded.itemsDropped, "item", "items") +
                              " naming a project that is not in " + path);
        } else if (arguments.Has("--all")) {
            AddAllProjectsItemsUnranged(report, store, *kind);
        } else {
            const std::string project = *arguments.Value("--project");
            if (!AddSingleProjectItem(report, store, project, *kind, now, weekStart)) {
                context.Error("--project: there is no project \"" + project + "\" in " + path);
                return kExitUsage;
            }
        }

        report.SetReportOptions(options);
        // The page works out its items' ranges at `now` itself, and goes to the file as it
        // is written.
        const FileResult written = WriteReportFile(*output, report, options, now, weekStart, store);
        if (!written.ok) {
            context.Error(written.message);
            return kExitUsage;
        }
        return status;
    }

private:
    static std::optional<std::uint16_t> ParsePageLines(const std::string& text) {
        if (text.empty() || text.size() > 2)
            return std::nullopt;
        int value = 0;
        for (char c : text) {
            if (c < '0' || c > '9')
                return std::nullopt;
            value = value * 10 + (c - '0');
        }
        if (value < 5 || value > 50)
            return std::nullopt;
        return static_cast<std::uint16_t>(value);
    }
};

} // namespace

std::unique_ptr<CCommand> MakeReportCommand() {
    return std::make_unique<CReportCommand>();
}
