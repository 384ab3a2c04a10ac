#include "core/app/EarlyLoad.h"

#include <system_error>
#include <utility>

CEarlyLoad::CEarlyLoad(std::string mainPath)
    : m_path(std::move(mainPath)), m_main(std::make_unique<MainFile>()) {
    try {
        m_thread = std::thread([this] {
            const std::optional<FileStamp> before = StampOfFile(m_path);
            m_main->outcome = ReadDataFileInto(m_path, m_main->store, m_main->bytes.get());
            if (before && StampOfFile(m_path) == before)
                m_stamp = before;
        });
    } catch (const std::system_error&) {
        // Without a thread the start reads its file as it always did.
    }
}

CEarlyLoad::~CEarlyLoad() {
    Wait();
}

void CEarlyLoad::Wait() {
    if (m_thread.joinable())
        m_thread.join();
}

std::unique_ptr<CEarlyLoad::MainFile> CEarlyLoad::TakeMain(const std::string& path) {
    Wait(); // a thread that never started left no stamp
    if (path != m_path || !m_stamp || StampOfFile(path) != m_stamp)
        return nullptr;
    m_stamp.reset();
    return std::move(m_main);
}
