// Feeds arbitrary bytes to the custom report file reader. Beyond "no crash, no leak, no
// undefined behaviour": a file is read whole or not at all, and what was read encodes to
// bytes that read back to the same items.

#include "core/reports/Report.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CReport report;
    std::size_t damage = 0;
    if (!report.DecodeItems(bytes, damage)) {
        Require(report.GetItemCount() == 0, "a damaged file added items");
        return 0;
    }
    const std::string encoded = report.EncodeItems();
    CReport again;
    Require(again.DecodeItems(encoded, damage), "re-encoded items do not read back");
    Require(again.GetItemCount() == report.GetItemCount(), "item count changed");
    Require(again.EncodeItems() == encoded, "second encoding differs");
    return 0;
}
