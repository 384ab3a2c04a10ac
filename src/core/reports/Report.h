#pragma once

#include "core/platform/FileSystem.h"
#include "core/reports/ReportItem.h"
#include "core/reports/ReportOptions.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CStore;
class FileOps;

// The outcome of loading a custom report file.
struct ReportFileResult {
    bool ok = true;
    std::string message; // on failure: the path and the cause, ready to show
    std::size_t itemsRead = 0;
    std::size_t itemsDropped = 0;       // items naming a project that no longer exists
    std::size_t itemsOfUnknownKind = 0; // items of a period kind this version does not know
};

// The one message for the items of unknown kinds that a load left out.
std::string DescribeSkippedItems(const std::string& path, std::size_t count);

// One report: its items (newest first, the order of the report's sections), the options
// of its last Generate and the file it wrote. It owns its items.
class CReport {
public:
    using ItemList = std::list<std::unique_ptr<CReportItem>>;

    static constexpr const char* kDefaultFileName = "custom.pnr";

    CReport() = default;
    CReport(const CReport&) = delete;
    CReport& operator=(const CReport&) = delete;

    // Adds a new item at the head and returns it (the list entry binds to it).
    CReportItem* AddItem(std::string project, std::int32_t start, std::int32_t end,
                         ReportPeriod kind);
    // The first item from the head with that project (exact match) and kind; null if none.
    CReportItem* FindItem(const std::string& project, ReportPeriod kind) const;
    // Removes and deletes the item; false when it is not one of this report's items.
    bool RemoveItem(const CReportItem* item);
    void RemoveAllItems();
    // Moves the other report's items, in their order, to the head of this one.
    void TakeItemsFrom(CReport& other);
    // Drops the items whose project the store does not have; returns how many went.
    std::size_t RemoveItemsWithoutProject(const CStore& store);

    const ItemList& Items() const { return m_listItems; }
    std::size_t GetItemCount() const { return m_listItems.size(); }

    // The relative kinds this project already has an item for, indexed by ReportPeriod
    // (PeriodOther is never taken: any number of fixed ranges is allowed).
    std::array<bool, kReportPeriodCount> KindsTaken(const std::string& project) const;

    // Custom report files. Saving replaces the file durably (an old file stays whole on
    // failure). Loading appends the file's items at the tail in file order, all or nothing:
    // a damaged or unreadable file adds nothing and says why.
    FileResult SaveItems(const std::string& path, FileOps* ops = nullptr) const;
    ReportFileResult LoadItems(const std::string& path);
    // Load Report of the custom report dialog: the file's items replace the list, then
    // items naming a missing project are dropped. A file that cannot be read changes nothing.
    ReportFileResult ReplaceItemsFromFile(const std::string& path, const CStore& store);
    // The archived item list, and its reverse; Decode appends nothing on failure.
    std::string EncodeItems() const;
    bool DecodeItems(std::string_view bytes, std::size_t& damageOffset);

    void SetReportOptions(const ReportOptions& options) { m_options = options; }
    const ReportOptions& GetReportOptions() const { return m_options; }

    // Sets every item's range, in list order (see UpdateReportRanges).
    void SetRanges(const std::vector<std::pair<std::int32_t, std::int32_t>>& ranges);

    // The file the last generated report went to.
    const std::string& GetLastPath() const { return m_strLastPath; }
    void SetLastPath(std::string path) { m_strLastPath = std::move(path); }

private:
    ItemList m_listItems;
    std::size_t m_nUnknownKindsSkipped = 0; // by the last DecodeItems
    ReportOptions m_options;
    std::string m_strLastPath;
};
