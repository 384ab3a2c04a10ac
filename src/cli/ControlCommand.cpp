#include "cli/ControlCommand.h"

#include "cli/ArgumentParser.h"
#include "cli/DataLocation.h"
#include "cli/DirectSession.h"
#include "cli/TimeArgument.h"

#include "core/app/ControlCommands.h"
#include "core/app/ControlProtocol.h"
#include "core/platform/ControlChannel.h"
#include "core/platform/DataFolderLock.h"

#include <chrono>
#include <ostream>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// A status bar polls: it must not hang on a program that has stopped answering.
constexpr int kReadOnlyTimeoutMs = 5000;
// A program that holds the folder may be starting and not listen yet; another cli command
// on the folder is done within moments.
constexpr auto kStartupGrace = std::chrono::milliseconds(2500);

long ProcessId() {
#ifdef _WIN32
    return static_cast<long>(GetCurrentProcessId());
#else
    return static_cast<long>(::getpid());
#endif
}

int Print(const ControlReply& reply, const CommandContext& context) {
    context.out << reply.out;
    // Each line of the errors is said as the tool's own.
    std::size_t from = 0;
    while (from < reply.err.size()) {
        std::size_t end = reply.err.find('\n', from);
        if (end == std::string::npos)
            end = reply.err.size();
        context.Error(reply.err.substr(from, end - from));
        from = end + 1;
    }
    return reply.exitCode;
}

} // namespace

std::string CControlCommand::ExitStatusHelp() {
    return "Exit status:\n"
           "  0  done (also when there was nothing to do)\n"
           "  1  the data file is damaged; nothing was changed\n"
           "  2  bad arguments, an unknown or ambiguous project, or a correction the rules\n"
           "     refuse; nothing was changed\n"
           "  3  the data folder is held by a program that does not answer\n"
           "  4  Punchwell is locked (or the data file says so); nothing was changed\n"
           "  5  a dialog of Punchwell holds the data; nothing was changed\n"
           "  6  the data file could not be written: a running Punchwell keeps the change for\n"
           "     its next save; without it nothing was changed\n"
           "  7  the notes were cancelled in Punchwell; still checked in\n";
}

std::string CControlCommand::CorrectionHelp() {
    return "When Punchwell runs on the data folder it makes the change itself (and Undo\n"
           "in its Time Records dialog takes it back); otherwise the data file is changed\n"
           "under the folder's lock. A refusal changes nothing.\n"
           "\n" +
           ExitStatusHelp();
}

void AddCorrectionOptions(CArgumentParser& parser) {
    parser.AddOption("--notes", "TEXT", "the period's notes");
    parser.AddFlag("--join", '\0',
                   "join the period with an overlapping period of its project, as Merge Files "
                   "joins them (refused otherwise)");
    parser.AddOption("--now", "YYYY-MM-DDTHH:MM:SS",
                     "the moment taken as now, in local time, when Punchwell does not run "
                     "(default: now)");
}

void CControlCommand::AddOptions(CArgumentParser& parser) const {
    const CControlCommands::Entry* entry = CControlCommands::Find(Name());
    for (const auto& option : entry->options)
        if (option == "--notes")
            parser.AddOption(option, "TEXT", NotesHelp());
    for (const auto& flag : entry->flags)
        if (flag == "--json")
            parser.AddFlag(flag, 0, "print one JSON value instead of text");
    parser.SetOperandCount(entry->minOperands, entry->maxOperands);
}

int CControlCommand::Run(const ParsedArguments& arguments, CommandContext& context) {
    std::optional<std::string> directory = arguments.Value("--data-dir");
    if (!directory)
        directory = context.dataDirectory;
    if (!directory)
        directory = DefaultDataDirectory();
    if (!directory) {
        context.Error("cannot tell where your data folder is (no HOME); give --data-dir DIR");
        return kControlUsage;
    }

    ControlRequest request;
    request.command = Name();
    request.operands = arguments.operands;
    for (const auto& [name, value] : arguments.options)
        if (name != "--data-dir" && name != "--help")
            request.options[name] = value;

    const std::string server = channel::ControlServerName(*directory);
    const std::string message = control::Frame(control::EncodeRequest(request));
    const int timeout = CControlCommands::IsReadOnly(Name()) ? kReadOnlyTimeoutMs : -1;
    const auto deadline = std::chrono::steady_clock::now() + kStartupGrace;
    while (true) {
        std::string payload, error;
        switch (channel::Exchange(server, message, timeout, payload, error)) {
        case channel::ExchangeStatus::Done:
            if (const auto reply = control::DecodeReply(payload))
                return Print(*reply, context);
            context.Error("the running Punchwell does not understand this request (is it an "
                          "older version?); nothing was changed.");
            return kControlBusy;
        case channel::ExchangeStatus::Failed:
            context.Error(error + ".");
            return kControlBusy;
        case channel::ExchangeStatus::NoServer:
            break;
        }
        m_busyMessage.clear();
        const int status = RunWithoutProgram(request, *directory, context);
        if (status != kControlBusy || m_busyMessage.empty())
            return status;
        if (std::chrono::steady_clock::now() >= deadline) {
            context.Error(m_busyMessage);
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

int CControlCommand::RunWithoutProgram(const ControlRequest& request, const std::string& directory,
                                       CommandContext& context) {
    // Reading needs no lock: saves replace the file in one step.
    const bool reads = CControlCommands::IsReadOnly(request.command);
    CDataFolderLock lock("punchwell-cli " + std::to_string(ProcessId()));
    if (!reads) {
        switch (lock.TryAcquire(directory)) {
        case CDataFolderLock::Status::Held:
            break;
        case CDataFolderLock::Status::HeldByOther: {
            // Said only when the caller gives up retrying.
            const bool program = lock.OtherHolder().rfind("punchwell-cli", 0) != 0;
            m_busyMessage = program ? "Punchwell holds the data folder " + directory +
                                          " but does not answer; nothing was changed."
                                    : "another punchwell-cli command is writing into " + directory +
                                          "; nothing was changed. Try again.";
            return kControlBusy;
        }
        case CDataFolderLock::Status::Error:
            context.Error("cannot lock the data folder: " + lock.ErrorMessage() +
                          " Nothing was changed.");
            return kControlUsage;
        }
    }
    CDirectSession session(directory);
    std::string error;
    if (const auto now = request.Value("--now")) {
        std::string problem;
        const auto parsed = ParseLocalTimeArgument(*now, &problem);
        if (!parsed) {
            context.Error(DescribeBadLocalTime(*now, problem));
            return kControlUsage;
        }
        session.SetNow(static_cast<std::int32_t>(*parsed));
    }
    const int loaded = session.Load(error);
    if (loaded != kControlOk) {
        context.Error(error);
        return loaded;
    }
    return Print(CControlCommands::Run(request, session.Target()), context);
}
