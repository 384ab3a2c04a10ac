#include "cli/ArgumentParser.h"
#include "cli/Command.h"
#include "cli/DataFileInput.h"
#include "cli/DataLocation.h"
#include "core/data/JsonWriter.h"

#include <memory>
#include <ostream>

namespace {

// Prints a data file's content as JSON, records in file order.
class CDumpCommand final : public CCommand {
public:
    const char* Name() const override { return "dump"; }
    const char* Summary() const override { return "print a data file's content as JSON"; }
    const char* Operands() const override { return "[FILE]"; }
    std::string Description() const override {
        return "Prints FILE (default: your main data file) as JSON on stdout:\n"
               "  {\"password_set\", \"locked\", \"damaged\",\n"
               "   \"projects\": [{\"name\", \"reserved\", \"dollars\", \"cents\", "
               "\"use_file\", \"file\"}],\n"
               "   \"periods\": [{\"project\", \"notes\", \"start\", \"end\", \"running\", "
               "\"deleted\"}]}\n"
               "Records keep the file's order; times are seconds since 1970-01-01 UTC; texts\n"
               "are UTF-8. A damaged file prints what was read before the damage with\n"
               "\"damaged\": true and exits with 1; 2 means bad usage or an unreadable file.\n";
    }
    void AddOptions(CArgumentParser& parser) const override { parser.SetOperandCount(0, 1); }

    int Run(const ParsedArguments& arguments, CommandContext& context) override {
        std::string path;
        if (!ResolveDataFile(arguments, context, path))
            return kExitUsage;
        CDataFileInput input;
        const int status = input.Read(path, context);
        if (status == kExitUsage)
            return status;
        context.out << ToJson(input);
        return status;
    }

private:
    static std::string ToJson(const CDataFileInput& input) {
        const DataFileReadResult& result = input.Result();
        CJsonWriter json(2);
        json.BeginObject();
        json.Key("password_set");
        json.Bool(!result.password.empty());
        json.Key("locked");
        json.Int(result.locked);
        json.Key("damaged");
        json.Bool(result.damaged);
        json.Key("projects");
        json.BeginArray();
        for (const auto& task : input.Store().Tasks()) {
            json.BeginObject();
            json.Key("name");
            json.String(task->GetName());
            json.Key("reserved");
            json.UInt(task->GetReserved());
            json.Key("dollars");
            json.UInt(task->GetDollars());
            json.Key("cents");
            json.UInt(task->GetCents());
            json.Key("use_file");
            json.Int(task->GetUseFileFlag());
            json.Key("file");
            json.String(task->GetFile());
            json.EndObject();
        }
        json.EndArray();
        json.Key("periods");
        json.BeginArray();
        for (const auto& period : input.Store().DoneTasks()) {
            json.BeginObject();
            json.Key("project");
            json.String(period->GetProject());
            json.Key("notes");
            json.String(period->GetNotes());
            json.Key("start");
            json.Int(period->GetStart());
            json.Key("end");
            json.Int(period->GetEnd());
            json.Key("running");
            json.Int(period->GetRunningFlag());
            json.Key("deleted");
            json.Int(period->GetDeletedFlag());
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
        return json.Text();
    }
};

} // namespace

std::unique_ptr<CCommand> MakeDumpCommand() {
    return std::make_unique<CDumpCommand>();
}
