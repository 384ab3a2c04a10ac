#include "core/platform/ControlChannel.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace channel {
namespace {

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// FNV-1a: stable on every platform and build, which is all a name needs.
std::string Hash16(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

std::string FolderKey(const std::string& dataDirectory) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::canonical(PathOf(dataDirectory), error);
    if (error)
        path = std::filesystem::absolute(PathOf(dataDirectory), error).lexically_normal();
    std::string key = Utf8Of(path);
    while (key.size() > 1 && (key.back() == '/' || key.back() == '\\'))
        key.pop_back();
#ifdef _WIN32
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
#endif
    return key;
}

} // namespace

#ifdef _WIN32

std::string ControlServerName(const std::string& dataDirectory) {
    return ControlSocketFileName(dataDirectory);
}

std::string ControlSocketFileName(const std::string& dataDirectory) {
    char user[64] = "user";
    DWORD size = sizeof user;
    if (!GetUserNameA(user, &size))
        std::strcpy(user, "user");
    std::string safe;
    for (const char* p = user; *p && safe.size() < 32; ++p)
        safe += (std::isalnum(static_cast<unsigned char>(*p)) || *p == '-' || *p == '_') ? *p : '_';
    return "punchwell-" + safe + "-" + Hash16(FolderKey(dataDirectory));
}

namespace {

// One pipe opened for overlapped transfers, so that a program that stops answering cannot
// hold the caller past its deadline.
class OverlappedPipe {
public:
    explicit OverlappedPipe(HANDLE handle)
        : m_handle(handle), m_event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~OverlappedPipe() {
        if (m_event != nullptr)
            CloseHandle(m_event);
        CloseHandle(m_handle);
    }
    OverlappedPipe(const OverlappedPipe&) = delete;
    OverlappedPipe& operator=(const OverlappedPipe&) = delete;

    HANDLE Handle() const { return m_handle; }

    // Moves up to `size` bytes; false on a broken pipe, an error, or the deadline passed
    // (`timedOut` then says so). `limited` false waits as long as the pipe is open.
    bool Transfer(bool write, char* data, std::size_t size, DWORD& moved, bool limited,
                  std::chrono::steady_clock::time_point deadline, bool& timedOut) {
        moved = 0;
        if (m_event == nullptr)
            return false;
        OVERLAPPED overlapped{};
        overlapped.hEvent = m_event;
        ResetEvent(m_event);
        const DWORD count = static_cast<DWORD>(size);
        const BOOL started = write ? WriteFile(m_handle, data, count, nullptr, &overlapped)
                                   : ReadFile(m_handle, data, count, nullptr, &overlapped);
        if (!started && GetLastError() != ERROR_IO_PENDING)
            return false;
        DWORD wait = INFINITE;
        if (limited) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            wait = left > 0 ? static_cast<DWORD>(left) : 0;
        }
        if (WaitForSingleObject(m_event, wait) != WAIT_OBJECT_0) {
            // The transfer must be over before its buffer and OVERLAPPED go away.
            CancelIoEx(m_handle, &overlapped);
            GetOverlappedResult(m_handle, &overlapped, &moved, TRUE);
            timedOut = true;
            return false;
        }
        return GetOverlappedResult(m_handle, &overlapped, &moved, FALSE) && moved > 0;
    }

private:
    HANDLE m_handle;
    HANDLE m_event;
};

} // namespace

ExchangeStatus Exchange(const std::string& serverName, const std::string& message,
                        int replyTimeoutMs, std::string& replyPayload, std::string& error) {
    const std::string pipeName = "\\\\.\\pipe\\" + serverName;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 20; ++attempt) {
        handle = CreateFileA(pipeName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (handle != INVALID_HANDLE_VALUE)
            break;
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND)
            return ExchangeStatus::NoServer;
        if (code != ERROR_PIPE_BUSY || !WaitNamedPipeA(pipeName.c_str(), 250)) {
            error = "cannot connect to Punchwell (error " + std::to_string(code) + ")";
            return ExchangeStatus::Failed;
        }
    }
    if (handle == INVALID_HANDLE_VALUE) {
        error = "Punchwell does not accept the connection";
        return ExchangeStatus::Failed;
    }
    OverlappedPipe pipe(handle);
    ULONG server = 0;
    if (GetNamedPipeServerProcessId(pipe.Handle(), &server) && server == 0) {
        error = "the pipe has no server process";
        return ExchangeStatus::Failed;
    }
    const bool limited = replyTimeoutMs >= 0;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(limited ? replyTimeoutMs : 0);
    bool timedOut = false;
    const auto transferAll = [&](bool write, char* data, std::size_t size) {
        std::size_t done = 0;
        while (done < size) {
            DWORD moved = 0;
            if (!pipe.Transfer(write, data + done, size - done, moved, limited, deadline, timedOut))
                return false;
            done += moved;
        }
        return true;
    };
    std::string request = message;
    if (!transferAll(true, request.data(), request.size())) {
        error = timedOut ? "Punchwell does not take the request" : "cannot send the request";
        return ExchangeStatus::Failed;
    }
    unsigned char header[4] = {};
    bool ok = transferAll(false, reinterpret_cast<char*>(header), 4);
    const std::uint32_t length = static_cast<std::uint32_t>(header[0]) << 24 |
                                 static_cast<std::uint32_t>(header[1]) << 16 |
                                 static_cast<std::uint32_t>(header[2]) << 8 | header[3];
    if (ok && length > kMaxPayload) {
        error = "Punchwell's answer is too long";
        return ExchangeStatus::Failed;
    }
    if (ok) {
        replyPayload.assign(length, '\0');
        ok = transferAll(false, replyPayload.data(), length);
    }
    if (!ok) {
        error = timedOut ? "Punchwell did not answer in time"
                         : "Punchwell closed the connection without answering";
        return ExchangeStatus::Failed;
    }
    return ExchangeStatus::Done;
}

#else

std::string ControlSocketFileName(const std::string& dataDirectory) {
    return "punchwell-" + Hash16(FolderKey(dataDirectory));
}

std::string ControlServerName(const std::string& dataDirectory) {
    std::string runtime;
    if (const char* value = std::getenv("XDG_RUNTIME_DIR"); value != nullptr && *value != 0) {
        runtime = value;
    } else {
        const char* temp = std::getenv("TMPDIR");
        std::string base = temp != nullptr && *temp != 0 ? temp : "/tmp";
        while (base.size() > 1 && base.back() == '/')
            base.pop_back();
        const passwd* user = ::getpwuid(::geteuid());
        runtime = base + "/runtime-" +
                  (user != nullptr ? std::string(user->pw_name)
                                   : std::to_string(static_cast<unsigned long>(::geteuid())));
    }
    while (runtime.size() > 1 && runtime.back() == '/')
        runtime.pop_back();
    return runtime + "/" + ControlSocketFileName(dataDirectory);
}

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

using SteadyClock = std::chrono::steady_clock;

// Waits for the descriptor; false on timeout or error. `deadline` unset waits forever.
bool WaitFor(int fd, short events, bool limited, SteadyClock::time_point deadline) {
    while (true) {
        int timeout = -1;
        if (limited) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now())
                    .count();
            if (left <= 0)
                return false;
            timeout = static_cast<int>(left);
        }
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, timeout);
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

} // namespace

ExchangeStatus Exchange(const std::string& serverName, const std::string& message,
                        int replyTimeoutMs, std::string& replyPayload, std::string& error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (serverName.size() >= sizeof address.sun_path) {
        error = "the socket path is too long: " + serverName;
        return ExchangeStatus::Failed;
    }
    std::memcpy(address.sun_path, serverName.c_str(), serverName.size() + 1);
    Descriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (socket.get() < 0) {
        error = std::string("cannot create a socket: ") + std::strerror(errno);
        return ExchangeStatus::Failed;
    }
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno == ENOENT || errno == ECONNREFUSED)
            return ExchangeStatus::NoServer;
        error = "cannot connect to " + serverName + ": " + std::strerror(errno);
        return ExchangeStatus::Failed;
    }
#ifdef SO_PEERCRED
    // Only a program of this same user may be told what to do, or answer.
    ucred peer{};
    socklen_t peerSize = sizeof peer;
    if (::getsockopt(socket.get(), SOL_SOCKET, SO_PEERCRED, &peer, &peerSize) != 0 ||
        peer.uid != ::geteuid()) {
        error = "the socket " + serverName + " belongs to another user; nothing was sent";
        return ExchangeStatus::Failed;
    }
#endif
    const bool limited = replyTimeoutMs >= 0;
    const auto deadline =
        SteadyClock::now() + std::chrono::milliseconds(limited ? replyTimeoutMs : 0);
    std::size_t sent = 0;
    while (sent < message.size()) {
        if (!WaitFor(socket.get(), POLLOUT, limited, deadline)) {
            error = "Punchwell does not take the request";
            return ExchangeStatus::Failed;
        }
        const ssize_t n =
            ::send(socket.get(), message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = std::string("cannot send the request: ") + std::strerror(errno);
            return ExchangeStatus::Failed;
        }
        sent += static_cast<std::size_t>(n);
    }
    std::string received;
    char buffer[4096];
    while (true) {
        if (received.size() >= 4) {
            const auto byte = [&](std::size_t i) {
                return static_cast<std::uint32_t>(static_cast<unsigned char>(received[i]));
            };
            const std::uint32_t length = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
            if (length > kMaxPayload) {
                error = "Punchwell's answer is too long";
                return ExchangeStatus::Failed;
            }
            if (received.size() >= 4 + static_cast<std::size_t>(length)) {
                replyPayload = received.substr(4, length);
                return ExchangeStatus::Done;
            }
        }
        if (!WaitFor(socket.get(), POLLIN, limited, deadline)) {
            error = "Punchwell did not answer in time";
            return ExchangeStatus::Failed;
        }
        const ssize_t n = ::recv(socket.get(), buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = "Punchwell closed the connection without answering";
            return ExchangeStatus::Failed;
        }
        received.append(buffer, static_cast<std::size_t>(n));
    }
}

#endif

} // namespace channel
