#include "core/data/FileNameCache.h"

#include "core/data/NameKey.h"

std::size_t CFileNameCache::SlotOf(std::string_view bytes) {
    return static_cast<std::size_t>(NameHash(bytes) % kSlots);
}

const std::string* CFileNameCache::Find(std::string_view bytes) const {
    const Slot& slot = m_slots[SlotOf(bytes)];
    return slot.name != nullptr && SameText(slot.bytes, bytes) ? slot.name : nullptr;
}

void CFileNameCache::Add(std::string_view bytes, const std::string* name) {
    Slot& slot = m_slots[SlotOf(bytes)];
    slot.bytes.assign(bytes);
    slot.name = name;
}
