#include "cli/ArgumentParser.h"
#include "cli/Command.h"
#include "cli/DataFileInput.h"
#include "cli/WriteLock.h"

#include "core/app/DataLoad.h"
#include "core/data/DataFile.h"
#include "core/data/MergeRecords.h"
#include "core/data/RunningPeriods.h"
#include "core/platform/DataFolderLock.h"
#include "core/platform/FileSystem.h"

#include <memory>
#include <ostream>

namespace {

// The desktop program's Merge Files, one file after another, written to a new file.
class CMergeCommand final : public CCommand {
public:
    const char* Name() const override { return "merge"; }
    const char* Summary() const override { return "merge data files into one"; }
    const char* Operands() const override { return "BASE [OTHER...]"; }
    std::string Description() const override {
        return "Reads BASE, then merges each OTHER into it as Merge Files does in the\n"
               "desktop program (its records appended, then projects of one name made one\n"
               "and touching or overlapping periods of a project joined), and writes the\n"
               "result to the data file named by -o. With no OTHER, BASE is written\n"
               "again as it is. The password is BASE's, or the first one found when BASE\n"
               "has none; the lock flag is the last file's. If any input is damaged,\n"
               "nothing is written and the exit code is 1; 2 means bad usage or a file\n"
               "error. When OUT is in a data folder that Punchwell is running on, nothing\n"
               "is written and the exit code is 3: exit the program first.\n";
    }
    void AddOptions(CArgumentParser& parser) const override {
        parser.AddOption("--output", 'o', "OUT", "the data file to write (replaced if it exists)");
        parser.SetOperandCount(1, static_cast<std::size_t>(-1));
    }

    int Run(const ParsedArguments& arguments, CommandContext& context) override {
        const auto output = arguments.Value("--output");
        if (!output) {
            context.Error("merge: -o OUT (--output OUT) is required");
            return kExitUsage;
        }
        // Held until the file is written, so the running program cannot save over it.
        CDataFolderLock lock("punchwell-cli");
        if (const int status = LockForWriting(*output, arguments, context, lock))
            return status;
        CStore store;
        std::string password;
        std::uint16_t locked = 0;
        bool first = true;
        for (const std::string& path : arguments.operands) {
            CDataFileInput input;
            // Loading appends: the file's records go behind those already merged.
            const int status = input.ReadInto(path, context, store);
            if (status != kExitOk) {
                // A merge of part of a file would pass for all of it.
                if (status == kExitDamaged)
                    context.Error("nothing written to " + *output);
                return status;
            }
            TakeLoadedPasswordAndLock(input.Result(), password, locked);
            if (!first)
                MergeRecords(store);
            first = false;
        }
        // One program times one period: the newest running one stays running.
        KeepOneRunningPeriod(store);
        // Written a block at a time as it is serialised, as the program saves.
        std::string block;
        const FileResult written = ReplaceFileDurably(*output, [&](const FilePieceSink& put) {
            CDataFile::Write(store, password, locked, block, put);
        });
        if (!written.ok) {
            context.Error(written.message);
            return kExitUsage;
        }
        return kExitOk;
    }
};

} // namespace

std::unique_ptr<CCommand> MakeMergeCommand() {
    return std::make_unique<CMergeCommand>();
}
