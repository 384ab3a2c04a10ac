#include "core/data/DataFile.h"

#include "core/data/Archive.h"
#include "core/data/ArchiveInput.h"
#include "core/data/FileNameCache.h"
#include "core/data/Store.h"
#include "core/data/Windows1252.h"

#include <memory>

namespace {

void WriteRecords(CArchiveWriter& ar, const CStore& store, std::string_view scrambledPassword,
                  std::uint16_t locked) {
    ar.WriteRawString(scrambledPassword);
    ar.WriteWord(locked);
    ar.WriteCount(store.GetTaskCount());
    for (const auto& task : store.Tasks()) {
        ar.WriteObjectTag(CTask::kClassName, CTask::kSchema);
        task->Serialize(ar);
    }
    ar.WriteCount(store.GetDoneCount());
    for (const auto& period : store.DoneTasks()) {
        ar.WriteObjectTag(CDoneTask::kClassName, CDoneTask::kSchema);
        period->Serialize(ar);
    }
}

} // namespace

std::string CDataFile::Write(const CStore& store, std::string_view scrambledPassword,
                             std::uint16_t locked) {
    // Room for everything up front (texts counted as they are in memory, which is the
    // size on disk for all but the rare 16-bit text), so the bytes are never moved.
    std::size_t estimate = 64 + scrambledPassword.size();
    for (const auto& task : store.Tasks())
        estimate += 32 + task->GetName().size() + task->GetFile().size();
    for (const auto& period : store.DoneTasks())
        estimate += 32 + period->GetProject().size() + period->GetNotes().size();
    CArchiveWriter ar;
    ar.Reserve(estimate);
    WriteRecords(ar, store, scrambledPassword, locked);
    return ar.TakeBytes();
}

bool CDataFile::Write(const CStore& store, std::string_view scrambledPassword, std::uint16_t locked,
                      std::string& block, const std::function<bool(std::string_view)>& sink) {
    CArchiveWriter ar(block, sink);
    WriteRecords(ar, store, scrambledPassword, locked);
    return ar.Finish();
}

namespace {

// Reads one record of class T; false when the tag is not a T or its fields run short.
template <typename T> std::unique_ptr<T> ReadRecord(CArchiveReader& ar) {
    CArchiveReader::ObjectHeader header;
    if (!ar.ReadObjectHeader(header) || header.className != T::kClassName)
        return nullptr;
    auto record = std::make_unique<T>();
    if (!record->Serialize(ar, header.schema))
        return nullptr;
    return record;
}

// Reads one period straight into the store: the name shared, the notes decoded into the
// store's pool. False when the tag is not a period or its fields run short; what a failed
// period left in the pool stays unused.
bool ReadPeriod(CArchiveReader& ar, CStore& store, CFileNameCache& names, std::string& scratch) {
    CArchiveReader::ObjectHeader header;
    if (!ar.ReadObjectHeader(header) || header.className != CDoneTask::kClassName)
        return false;
    std::int32_t running = 0;
    std::string_view bytes;
    bool wide = false;
    if (!ar.ReadInt32(running) || !ar.ReadStringBytes(bytes, wide))
        return false;
    // A name in 16-bit text is rare and never kept by its bytes: the same bytes as 8-bit
    // text name another project.
    const std::string* name = wide ? nullptr : names.Find(bytes);
    if (name == nullptr) {
        name = store.ShareProjectName(CArchiveReader::DecodeString(bytes, wide, scratch));
        if (!wide)
            names.Add(bytes, name);
    }

    if (!ar.ReadStringBytes(bytes, wide))
        return false;
    CTextPool& pool = store.TextPool();
    std::string_view notes;
    if (wide) {
        scratch = windows1252::Utf16LeToUtf8(bytes);
        notes = pool.Add(scratch);
    } else if (!bytes.empty()) {
        notes = pool.Commit(windows1252::DecodeInto(pool.Reserve(3 * bytes.size()), bytes));
    }

    std::int32_t start = 0;
    std::int32_t end = 0;
    std::int32_t deleted = 0;
    if (!ar.ReadInt32(start) || !ar.ReadInt32(end))
        return false;
    // Only schema 2 carries the deleted flag; older periods are all active.
    if (header.schema == 2 && !ar.ReadInt32(deleted))
        return false;
    CDoneTask& period = store.AppendSharedDoneTask(name, notes);
    period.SetRunningFlag(running);
    period.SetStart(start);
    period.SetEnd(end);
    if (deleted != 0)
        period.SetDeletedFlag(deleted);
    return true;
}

// The same reads as ReadPeriod with nothing kept: the bytes are only checked.
bool CheckPeriod(CArchiveReader& ar) {
    CArchiveReader::ObjectHeader header;
    if (!ar.ReadObjectHeader(header) || header.className != CDoneTask::kClassName)
        return false;
    std::int32_t value = 0;
    std::string_view text;
    bool wide = false;
    if (!ar.ReadInt32(value) || !ar.ReadStringBytes(text, wide) || !ar.ReadStringBytes(text, wide))
        return false;
    if (!ar.ReadInt32(value) || !ar.ReadInt32(value))
        return false;
    return header.schema != 2 || ar.ReadInt32(value);
}

} // namespace

DataFileReadResult CDataFile::Check(const ByteSource& source, std::size_t sizeHint) {
    CArchiveInput input(source, sizeHint);
    return Read(input, nullptr);
}

DataFileReadResult CDataFile::Read(std::string_view bytes, CStore& store) {
    CArchiveInput input(bytes);
    return Read(input, &store);
}

DataFileReadResult CDataFile::Read(const ByteSource& source, std::size_t sizeHint, CStore& store) {
    CArchiveInput input(source, sizeHint);
    return Read(input, &store);
}

DataFileReadResult CDataFile::Read(CArchiveInput& input, CStore* store) {
    DataFileReadResult result;
    CArchiveReader& ar = input.Reader();
    ar.SetKnownClasses({CTask::kClassName, CDoneTask::kClassName});

    // Damage is reported where the first unusable field or record begins: everything
    // before that offset went into the store.
    auto damaged = [&](std::size_t offset) {
        result.damaged = true;
        result.damageOffset = offset;
        return result;
    };

    std::size_t start = ar.Offset();
    if (!input.ReadUnit([&] { return ar.ReadRawString(result.password); }))
        return damaged(start);
    result.passwordRead = true;

    start = ar.Offset();
    if (!input.ReadUnit([&] { return ar.ReadWord(result.locked); }))
        return damaged(start);
    result.lockedRead = true;

    std::uint32_t count = 0;
    start = ar.Offset();
    if (!input.ReadUnit([&] { return ar.ReadCount(count); }))
        return damaged(start);
    // The count is not trusted: the loop ends at the first record that cannot be read.
    for (std::uint32_t i = 0; i < count; ++i) {
        start = ar.Offset();
        std::unique_ptr<CTask> task;
        if (!input.ReadUnit([&] { return (task = ReadRecord<CTask>(ar)) != nullptr; }))
            return damaged(start);
        if (store != nullptr)
            store->AppendTask(std::move(task));
        ++result.projectsRead;
    }

    start = ar.Offset();
    if (!input.ReadUnit([&] { return ar.ReadCount(count); }))
        return damaged(start);
    std::string scratch;
    CFileNameCache names;
    for (std::uint32_t i = 0; i < count; ++i) {
        start = ar.Offset();
        if (!input.ReadUnit([&] {
                return store != nullptr ? ReadPeriod(ar, *store, names, scratch) : CheckPeriod(ar);
            }))
            return damaged(start);
        ++result.periodsRead;
    }
    return result;
}
