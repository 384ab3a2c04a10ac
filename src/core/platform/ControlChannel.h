#pragma once

#include <cstdint>
#include <string>

// The client end of the running program's local socket, for the command line (which links
// no Qt). The program listens under ControlServerName() of its data folder; on Linux that is
// a full socket path in the per-user runtime directory, on Windows a pipe name.
namespace channel {

// Upper bound of one message's payload either way; anything larger is refused unread.
inline constexpr std::uint32_t kMaxPayload = 1024 * 1024;

// The socket's file name (on Windows the whole pipe name) for a data folder: the same folder
// gives the same name however it is written (symbolic links and relative forms resolved).
std::string ControlSocketFileName(const std::string& dataDirectory);
// Where the program listens: on Linux that file name in the user's runtime folder
// ($XDG_RUNTIME_DIR, else <temp>/runtime-<user> as the desktop toolkit makes it), so that
// another account can neither take the name first nor connect; on Windows the pipe name.
std::string ControlServerName(const std::string& dataDirectory);

enum class ExchangeStatus {
    NoServer, // nothing listens under the name: no program runs on the folder
    Done,     // the reply payload arrived
    Failed,   // connected, but the exchange broke off or timed out; `error` says why
};

// Sends one framed message and reads one framed reply (a 32-bit big-endian length, then
// the payload). The connection is refused unless the listener runs as this same user.
// `replyTimeoutMs` < 0 waits for the reply as long as the connection is open.
ExchangeStatus Exchange(const std::string& serverName, const std::string& message,
                        int replyTimeoutMs, std::string& replyPayload, std::string& error);

} // namespace channel
