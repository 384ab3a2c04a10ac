#include "BenchData.h"

#include "core/data/DataFile.h"
#include "core/data/Store.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <unistd.h>

namespace {

constexpr int kProjects = 50;

std::string ProjectName(int i) {
    static const char* const kinds[] = {"Website",       "Accounts",  "Support",
                                        "Design review", "Migration", "Caf\u00e9 menu"};
    return "Client " + std::to_string(i) + " - " + kinds[i % 6];
}

std::string Notes(std::mt19937& random) {
    static const char* const words[] = {
        "call", "with",   "client", "fixed", "layout", "invoice", "r\u00e9sum\u00e9", "meeting",
        "the",  "deploy", "review", "bug",   "notes",  "and",     "database",         "email"};
    const int kind = static_cast<int>(random() % 100);
    int count = 0;
    if (kind < 35)
        return {};
    if (kind < 85)
        count = 1 + static_cast<int>(random() % 4);
    else if (kind < 98)
        count = 5 + static_cast<int>(random() % 10);
    else
        count = 15 + static_cast<int>(random() % 30);
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += (kind >= 98 && i % 8 == 0) ? "\r\n" : " ";
        // The accented word in about one note in fifteen.
        const auto word = random() % 16;
        text += words[word == 6 && random() % 3 != 0 ? 7 : word];
    }
    return text;
}

struct Dir {
    std::string path;
    Dir() {
        std::string pattern = std::filesystem::temp_directory_path() / "punchwell-bench-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        path = pattern;
    }
    ~Dir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

} // namespace

void FillBenchStore(CStore& store, int periods) {
    for (int i = 0; i < kProjects; ++i) {
        auto task = std::make_unique<CTask>(ProjectName(i));
        task->SetRate(static_cast<std::uint32_t>(20 + i), static_cast<std::uint8_t>(i * 7 % 100));
        store.AppendTask(std::move(task));
    }
    std::mt19937 random(12345);
    std::int32_t start = 1760000000;
    for (int i = 0; i < periods; ++i) {
        auto period = std::make_unique<CDoneTask>(
            ProjectName(static_cast<int>(random() % kProjects)), Notes(random));
        const auto length = static_cast<std::int32_t>(600 + random() % 7200);
        period->SetStart(start - length);
        period->SetEnd(start);
        if (random() % 50 == 0)
            period->MarkDeleted();
        store.AppendDoneTask(std::move(period));
        start -= length + static_cast<std::int32_t>(60 + random() % 1800);
    }
}

const std::string& BenchFileBytes(int periods) {
    static std::map<int, std::string> cache;
    auto& bytes = cache[periods];
    if (bytes.empty()) {
        CStore store;
        FillBenchStore(store, periods);
        bytes = CDataFile::Write(store, {}, 0);
    }
    return bytes;
}

const std::string& BenchDir() {
    static Dir dir;
    return dir.path;
}

std::string BenchFile(int periods) {
    const std::string path = BenchDir() + "/data-" + std::to_string(periods) + ".pnd";
    if (!std::filesystem::exists(path)) {
        std::ofstream out(path, std::ios::binary);
        const std::string& bytes = BenchFileBytes(periods);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    return path;
}
