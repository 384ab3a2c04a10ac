#pragma once

#include "core/app/PunchwellApp.h"
#include "core/data/PeriodEditor.h"
#include "core/platform/DataFolderLock.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class CArgumentParser;
struct CommandContext;
struct ParsedArguments;

// What add and edit share: the main data file of the data folder, taken under the folder's
// lock (refused while the program runs), read whole (refused when damaged or saved while
// the program was locked), one correction under the store's rules, and the save the program
// itself makes: the whole store with its password and lock flag, replacing the file durably.
class CCorrectionRun {
public:
    CCorrectionRun();

    // Everything up to the loaded store. kExitOk to go on; otherwise the exit code, with the
    // reason already written and nothing changed.
    int Open(const ParsedArguments& arguments, CommandContext& context);

    CPunchwellApp& App() { return *m_app; }
    const CPeriodEditor& Editor() const { return *m_editor; }
    std::int32_t Now() const { return m_now; }

    // Applies a plan and saves. A refused plan writes its reason (with a hint for --join)
    // and exits non-zero; the notes and warnings go to the error stream either way.
    int Finish(const CorrectionPlan& plan, const char* done, CommandContext& context);

    // "YYYY-MM-DDTHH:MM[:SS]" in local time for option `name`; a time the clocks repeat or
    // skip is refused, naming both moments or the gap. Empty (reason written) when refused.
    std::optional<std::int32_t> Time(const ParsedArguments& arguments, const char* name,
                                     const CommandContext& context) const;

private:
    std::unique_ptr<CPunchwellApp> m_app;
    std::unique_ptr<CPeriodEditor> m_editor;
    CDataFolderLock m_lock{"punchwell-cli"};
    std::string m_path;
    std::int32_t m_now = 0;
};

// The options add and edit both take.
void AddCorrectionOptions(CArgumentParser& parser);
