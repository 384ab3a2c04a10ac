#include "cli/ArgumentParser.h"
#include "cli/Command.h"
#include "cli/DataFileInput.h"
#include "cli/DataLocation.h"
#include "cli/TimeArgument.h"
#include "cli/UserOptions.h"

#include "core/data/Utf8Text.h"
#include "core/platform/Clock.h"
#include "core/timing/DurationFormat.h"
#include "core/timing/TaskTotals.h"

#include <memory>
#include <ostream>

namespace {

// Each project's time today, this week, this month, this year and in total.
class CTotalsCommand final : public CCommand {
public:
    const char* Name() const override { return "totals"; }
    const char* Summary() const override {
        return "print each project's time for today, week, month, year and in total";
    }
    const char* Operands() const override { return "[FILE]"; }
    std::string Description() const override {
        return "Prints one line per project of FILE (default: your main data file), in the\n"
               "file's order: name, today, week, month, year and total, separated by tabs.\n"
               "Times are whole seconds, or \"HH : MM : SS\" with --format text. Periods\n"
               "deleted safely count nowhere. A damaged file prints the totals of what was\n"
               "read before the damage and exits with 1; 2 means bad usage or an unreadable\n"
               "file.\n";
    }
    void AddOptions(CArgumentParser& parser) const override {
        parser.AddOption("--now", "YYYY-MM-DDTHH:MM:SS",
                         "the moment the day, week, month and year are taken from, in local "
                         "time (default: now); a time the clocks repeat or skip when "
                         "daylight saving changes is refused");
        parser.AddOption("--week-start", "DAY",
                         "first day of the week, 0 (Sunday) to 6 or a day name (default: "
                         "your option)");
        parser.AddOption("--format", "seconds|text", "how times are written (default: seconds)");
        parser.SetOperandCount(0, 1);
    }

    int Run(const ParsedArguments& arguments, CommandContext& context) override {
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
        unsigned weekStart = 0;
        if (const auto text = arguments.Value("--week-start")) {
            const auto parsed = ParseWeekStartArgument(*text);
            if (!parsed) {
                context.Error("--week-start: \"" + *text +
                              "\" is not a day (0 for Sunday to 6 for Saturday, or a name)");
                return kExitUsage;
            }
            weekStart = *parsed;
        } else {
            weekStart = ReadUserOptions().m_wWeekStart;
        }
        bool asText = false;
        if (const auto format = arguments.Value("--format")) {
            if (*format != "seconds" && *format != "text") {
                context.Error("--format: \"" + *format + "\" is neither seconds nor text");
                return kExitUsage;
            }
            asText = *format == "text";
        }

        std::string path;
        if (!ResolveDataFile(arguments, context, path))
            return kExitUsage;
        CDataFileInput input;
        const int status = input.Read(path, context);
        if (status == kExitUsage)
            return status;

        auto write = [&](std::int64_t seconds) {
            if (asText)
                context.out << duration::FormatDuration(seconds);
            else
                context.out << seconds;
        };
        for (const ProjectTotals& t : ComputeAllTotals(input.Store(), now, weekStart)) {
            context.out << ToValidUtf8(t.name);
            for (const std::int64_t value : {t.today, t.week, t.month, t.year, t.total}) {
                context.out << '\t';
                write(value);
            }
            context.out << '\n';
        }
        return status;
    }
};

} // namespace

std::unique_ptr<CCommand> MakeTotalsCommand() {
    return std::make_unique<CTotalsCommand>();
}
