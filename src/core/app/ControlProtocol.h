#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A command given from outside the program (the command line), as it travels to the running
// program over its local socket: the command's name, its operands and its options by long
// name ("--notes" -> "done"; a flag maps to "").
struct ControlRequest {
    std::string command;
    std::vector<std::string> operands;
    std::map<std::string, std::string> options;

    bool Has(const std::string& option) const { return options.count(option) != 0; }
    std::optional<std::string> Value(const std::string& option) const;
};

// What the command did: the process exit code the command line ends with, the text for its
// standard output and the message for its error stream.
struct ControlReply {
    int exitCode = 0;
    std::string out;
    std::string err;
};

// The wire form of requests and replies inside the hand-over socket's length-prefixed
// messages. A payload starts with a version line, then carries length-prefixed fields
// (32-bit big-endian length, then the bytes), so any text, a newline or a NUL included,
// travels unchanged. A program that does not know the version refuses the request instead
// of guessing.
namespace control {

inline constexpr std::string_view kRequestMagic = "punchwell-control/1 request\n";
inline constexpr std::string_view kReplyMagic = "punchwell-control/1 reply\n";
// Beginning shared by every version, so a program can answer a newer client in words.
inline constexpr std::string_view kFamily = "punchwell-control/";

std::string EncodeRequest(const ControlRequest& request);
std::optional<ControlRequest> DecodeRequest(std::string_view payload);
std::string EncodeReply(const ControlReply& reply);
std::optional<ControlReply> DecodeReply(std::string_view payload);

// Whether a payload is meant for the control protocol (of any version).
bool IsControlPayload(std::string_view payload);

// A whole message: the 32-bit big-endian payload length, then the payload.
std::string Frame(std::string_view payload);

} // namespace control
