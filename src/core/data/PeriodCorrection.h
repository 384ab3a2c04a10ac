#pragma once

#include "core/data/DoneTask.h"

#include <optional>
#include <string>
#include <vector>

class CStore;

// One correction of the period list, kept as the records before and after it so that it can
// be carried out and taken back. A record is found in the store by its key, the start second,
// together with its project name, so the correction still applies after the store was
// rebuilt (a merge moves the records) but never touches a different period.
class CPeriodCorrection {
public:
    // One record: changed (both), added (only `after`) or removed (only `before`).
    struct Change {
        std::optional<CDoneTask> before;
        std::optional<CDoneTask> after;
    };

    CPeriodCorrection() = default;
    CPeriodCorrection(std::string description, std::vector<Change> changes)
        : m_strDescription(std::move(description)), m_changes(std::move(changes)) {}

    // For the person: "Edit Period", "Add Period", "Split Period", "Delete Period".
    const std::string& Description() const { return m_strDescription; }
    const std::vector<Change>& Changes() const { return m_changes; }
    bool IsEmpty() const { return m_changes.empty(); }

    // Before -> after. All or nothing: false, with the store untouched, when a record it
    // changes or removes is gone or a start second it needs is taken. Changed records keep
    // their place in the list, added ones go to the head.
    bool Apply(CStore& store);
    // After -> before, with the same all-or-nothing rule. A changed record gets back every
    // field; an added one goes; a removed one comes back where it was in the list, so an
    // undone correction writes the same file as before it.
    bool Undo(CStore& store);

private:
    bool Carry(CStore& store, bool forward);

    std::string m_strDescription;
    std::vector<Change> m_changes;
    // Where each record removed by the last Apply or Undo stood, in the order of removal.
    std::vector<std::size_t> m_removedAt;
};
