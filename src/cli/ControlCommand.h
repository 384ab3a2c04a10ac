#pragma once

#include "cli/Command.h"

#include <string>

struct ControlRequest;

// A command that drives the program: it goes to the running program of the data folder over
// its socket when one runs, and otherwise runs the same core command on the data file
// itself under the folder's lock. The core table of control commands says what each one
// takes; the subclasses give the name and the help.
class CControlCommand : public CCommand {
public:
    void AddOptions(CArgumentParser& parser) const override;
    int Run(const ParsedArguments& arguments, CommandContext& context) override;

    // How add and edit reach the data, and the exit-code section after it.
    static std::string CorrectionHelp();
    // The exit-code section that every control command's help ends with.
    static std::string ExitStatusHelp();

protected:
    // Help line of each option the command takes.
    virtual const char* NotesHelp() const { return "the notes of the period that ends"; }

private:
    // kControlBusy with m_busyMessage set when someone else holds the folder.
    int RunWithoutProgram(const ControlRequest& request, const std::string& directory,
                          CommandContext& context);

    std::string m_busyMessage;
};

// The options add and edit share: --notes, --join and --now.
void AddCorrectionOptions(CArgumentParser& parser);
