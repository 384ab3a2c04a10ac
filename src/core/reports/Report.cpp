#include "core/reports/Report.h"

#include "core/data/Archive.h"
#include "core/data/Store.h"
#include "core/platform/FileSystem.h"

#include <algorithm>

namespace {

ReportFileResult LoadFailure(const std::string& path, const std::string& cause) {
    ReportFileResult result;
    result.ok = false;
    result.message = "The custom report file " + path + " could not be loaded: " + cause;
    return result;
}

} // namespace

CReportItem* CReport::AddItem(std::string project, std::int32_t start, std::int32_t end,
                              ReportPeriod kind) {
    m_listItems.push_front(std::make_unique<CReportItem>(std::move(project), start, end, kind));
    return m_listItems.front().get();
}

CReportItem* CReport::FindItem(const std::string& project, ReportPeriod kind) const {
    for (const auto& item : m_listItems) {
        if (item->GetKind() == kind && item->GetProject() == project)
            return item.get();
    }
    return nullptr;
}

bool CReport::RemoveItem(const CReportItem* item) {
    const auto it = std::find_if(m_listItems.begin(), m_listItems.end(),
                                 [item](const auto& owned) { return owned.get() == item; });
    if (it == m_listItems.end())
        return false;
    m_listItems.erase(it);
    return true;
}

void CReport::RemoveAllItems() {
    m_listItems.clear();
}

void CReport::TakeItemsFrom(CReport& other) {
    if (&other != this)
        m_listItems.splice(m_listItems.begin(), other.m_listItems);
}

std::size_t CReport::RemoveItemsWithoutProject(const CStore& store) {
    return m_listItems.remove_if(
        [&store](const auto& item) { return store.FindTask(item->GetProject()) == nullptr; });
}

std::array<bool, kReportPeriodCount> CReport::KindsTaken(const std::string& project) const {
    std::array<bool, kReportPeriodCount> taken{};
    for (const auto& item : m_listItems) {
        if (item->GetKind() != PeriodOther && item->GetProject() == project)
            taken[item->GetKind()] = true;
    }
    return taken;
}

std::string DescribeSkippedItems(const std::string& path, std::size_t count) {
    return "The custom report file " + path + " holds " + std::to_string(count) +
           (count == 1 ? " item" : " items") +
           " of a kind of period this version of Punchwell does not know. " +
           (count == 1 ? "It was" : "They were") + " left out; the rest of the report was read.";
}

std::string CReport::EncodeItems() const {
    CArchiveWriter ar;
    ar.WriteCount(m_listItems.size());
    for (const auto& item : m_listItems) {
        ar.WriteObjectTag(CReportItem::kClassName, CReportItem::kSchema);
        item->Serialize(ar);
    }
    return ar.TakeBytes();
}

bool CReport::DecodeItems(std::string_view bytes, std::size_t& damageOffset) {
    CArchiveReader ar(bytes);
    ar.SetKnownClasses({CReportItem::kClassName});
    ItemList read;
    m_nUnknownKindsSkipped = 0;
    std::uint32_t count = 0;
    bool ok = ar.ReadCount(count);
    for (std::uint32_t i = 0; ok && i < count; ++i) {
        CArchiveReader::ObjectHeader header;
        auto item = std::make_unique<CReportItem>();
        const std::size_t itemStart = ar.Offset();
        ok = ar.ReadObjectHeader(header) && item->Serialize(ar, header.schema);
        if (!ok) {
            damageOffset = ar.Failed() ? ar.Offset() : itemStart;
            return false;
        }
        if (!IsValidReportPeriod(item->GetKind())) {
            ++m_nUnknownKindsSkipped;
            continue;
        }
        read.push_back(std::move(item));
    }
    if (!ok) {
        damageOffset = ar.Offset();
        return false;
    }
    // Nothing follows the last item in a file this program wrote.
    if (ar.Remaining() != 0) {
        damageOffset = ar.Offset();
        return false;
    }
    m_listItems.splice(m_listItems.end(), read);
    return true;
}

FileResult CReport::SaveItems(const std::string& path, FileOps* ops) const {
    const std::string bytes = EncodeItems();
    return ReplaceFileDurably(path, bytes, ops ? *ops : SystemFileOps(), NewFileMode::ForPeople);
}

ReportFileResult CReport::LoadItems(const std::string& path) {
    std::string bytes;
    std::string error;
    switch (ReadWholeFile(path, bytes, error)) {
    case ReadStatus::Ok:
        break;
    case ReadStatus::Missing:
        return LoadFailure(path, "there is no such file.");
    case ReadStatus::Error: {
        ReportFileResult result;
        result.ok = false;
        result.message =
            error.empty() ? "The custom report file " + path + " could not be read." : error;
        return result;
    }
    }
    std::size_t damageOffset = 0;
    const std::size_t before = m_listItems.size();
    if (!DecodeItems(bytes, damageOffset))
        return LoadFailure(path, "it is not a custom report file, or it is damaged (at byte " +
                                     std::to_string(damageOffset) + ").");
    ReportFileResult result;
    result.itemsRead = m_listItems.size() - before;
    result.itemsOfUnknownKind = m_nUnknownKindsSkipped;
    return result;
}

ReportFileResult CReport::ReplaceItemsFromFile(const std::string& path, const CStore& store) {
    CReport loaded;
    ReportFileResult result = loaded.LoadItems(path);
    if (!result.ok)
        return result;
    result.itemsDropped = loaded.RemoveItemsWithoutProject(store);
    m_listItems = std::move(loaded.m_listItems);
    return result;
}

void CReport::SetRanges(const std::vector<std::pair<std::int32_t, std::int32_t>>& ranges) {
    std::size_t index = 0;
    for (auto& item : m_listItems) {
        if (index == ranges.size())
            break;
        item->SetRange(ranges[index].first, ranges[index].second);
        ++index;
    }
}
