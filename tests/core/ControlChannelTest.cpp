#include "core/platform/ControlChannel.h"
#include "core/app/ControlProtocol.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

// A listener under a name of its own that takes connections and, when told to, answers
// each request with one framed reply; otherwise it reads nothing and says nothing, as a
// program hung in a long task would.
class Listener {
public:
    explicit Listener(bool answers) : m_answers(answers) {
        const std::string unique =
            "punchwell-channel-test-" +
            std::to_string(Clock::now().time_since_epoch().count() % 1000000007);
#ifdef _WIN32
        m_name = unique;
        const std::string pipe = "\\\\.\\pipe\\" + m_name;
        m_pipe = CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_DUPLEX,
                                  PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0,
                                  nullptr);
        EXPECT_NE(m_pipe, INVALID_HANDLE_VALUE);
        if (m_answers)
            m_thread = std::thread([this] {
                if (!ConnectNamedPipe(m_pipe, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED)
                    return;
                char buffer[256];
                DWORD got = 0;
                ReadFile(m_pipe, buffer, sizeof buffer, &got, nullptr);
                const std::string reply = control::Frame("pong");
                DWORD written = 0;
                WriteFile(m_pipe, reply.data(), static_cast<DWORD>(reply.size()), &written,
                          nullptr);
                FlushFileBuffers(m_pipe);
            });
#else
        m_name = (std::filesystem::temp_directory_path() / unique).string();
        m_socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", m_name.c_str());
        EXPECT_EQ(::bind(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(m_socket, 4), 0);
        if (m_answers)
            m_thread = std::thread([this] {
                const int peer = ::accept(m_socket, nullptr, nullptr);
                if (peer < 0)
                    return;
                char buffer[256];
                (void)::recv(peer, buffer, sizeof buffer, 0);
                const std::string reply = control::Frame("pong");
                (void)::send(peer, reply.data(), reply.size(), 0);
                ::close(peer);
            });
#endif
    }
    ~Listener() {
        if (m_thread.joinable())
            m_thread.join();
#ifdef _WIN32
        CloseHandle(m_pipe);
#else
        ::close(m_socket);
        std::filesystem::remove(m_name);
#endif
    }
    const std::string& Name() const {
        return m_name;
    }

private:
    bool m_answers;
    std::string m_name;
    std::thread m_thread;
#ifdef _WIN32
    HANDLE m_pipe = INVALID_HANDLE_VALUE;
#else
    int m_socket = -1;
#endif
};

TEST(ControlChannel, AnAnswerArrivesAndSilenceEndsAtTheDeadline) {
    std::string payload, error;
    {
        Listener answering(true);
        EXPECT_EQ(channel::Exchange(answering.Name(), control::Frame("ping"), 5000, payload, error),
                  channel::ExchangeStatus::Done)
            << error;
        EXPECT_EQ(payload, "pong");
    }

    Listener silent(false);
    const auto begin = Clock::now();
    EXPECT_EQ(channel::Exchange(silent.Name(), control::Frame("ping"), 300, payload, error),
              channel::ExchangeStatus::Failed);
    const auto waited = Clock::now() - begin;
    EXPECT_EQ(error, "Punchwell did not answer in time");
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_LT(waited, std::chrono::seconds(10));
}

TEST(ControlChannel, NobodyListeningMeansNoProgram) {
#ifdef _WIN32
    const std::string nobody = "punchwell-channel-test-nobody";
#else
    const std::string nobody =
        (std::filesystem::temp_directory_path() / "punchwell-channel-test-nobody").string();
#endif
    std::string payload, error;
    EXPECT_EQ(channel::Exchange(nobody, control::Frame("ping"), 300, payload, error),
              channel::ExchangeStatus::NoServer);
}

} // namespace
