#include "core/data/DataFile.h"

#include "core/data/Archive.h"
#include "core/data/Store.h"

#include <memory>

std::string CDataFile::Write(const CStore& store, std::string_view scrambledPassword,
                             std::uint16_t locked) {
    CArchiveWriter ar;
    // Room for a typical record up front, so the buffer is rarely moved while it grows.
    ar.Reserve(64 + 48 * store.GetTaskCount() + 96 * store.GetDoneCount());
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
    return ar.TakeBytes();
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

} // namespace

DataFileReadResult CDataFile::Read(std::string_view bytes, CStore& store) {
    DataFileReadResult result;
    CArchiveReader ar(bytes);
    ar.SetKnownClasses({CTask::kClassName, CDoneTask::kClassName});

    // Damage is reported where the first unusable field or record begins: everything
    // before that offset went into the store.
    auto damaged = [&](std::size_t offset) {
        result.damaged = true;
        result.damageOffset = offset;
        return result;
    };

    std::size_t start = ar.Offset();
    if (!ar.ReadRawString(result.password))
        return damaged(start);
    result.passwordRead = true;

    start = ar.Offset();
    if (!ar.ReadWord(result.locked))
        return damaged(start);
    result.lockedRead = true;

    std::uint32_t count = 0;
    start = ar.Offset();
    if (!ar.ReadCount(count))
        return damaged(start);
    // The count is not trusted: the loop ends at the first record that cannot be read.
    for (std::uint32_t i = 0; i < count; ++i) {
        start = ar.Offset();
        auto task = ReadRecord<CTask>(ar);
        if (!task)
            return damaged(start);
        store.AppendTask(std::move(task));
        ++result.projectsRead;
    }

    start = ar.Offset();
    if (!ar.ReadCount(count))
        return damaged(start);
    for (std::uint32_t i = 0; i < count; ++i) {
        start = ar.Offset();
        auto period = ReadRecord<CDoneTask>(ar);
        if (!period)
            return damaged(start);
        store.AppendDoneTask(std::move(period));
        ++result.periodsRead;
    }
    return result;
}
