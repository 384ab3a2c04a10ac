#pragma once

#include <cstdint>
#include <string>

class CDoneTask;
class CPunchwellApp;

// What an exit does when the save it depends on fails. The program never ends on a failed
// save unnoticed: it stays open with everything kept in memory, says that nothing was saved
// and why, offers to try again, and ends without saving only after the person answers a
// question that says exactly what will be lost (its default answer keeps the program open).
//
// While the object lives, a failed save of the main file shows no message of its own: the
// exit's question says it, once.
class CExitSave {
public:
    static constexpr const char* kNotSavedCaption = "Data Not Saved";
    static constexpr const char* kExitAnywayCaption = "Exit Without Saving";

    explicit CExitSave(CPunchwellApp& app);
    ~CExitSave();
    CExitSave(const CExitSave&) = delete;
    CExitSave& operator=(const CExitSave&) = delete;

    // Call after the exit's own save (the check-out's, or a save of changes an earlier
    // failed save left). `checkedOut` is the period the exit just closed, if any. True when
    // the data is saved or the person chose to lose it; false to stay open.
    bool MayEnd(const CDoneTask* checkedOut);

    // The question's texts, for the program's window and its tests.
    std::string NotSavedText(const CDoneTask* checkedOut) const;
    std::string LossText(const CDoneTask* checkedOut) const;

private:
    CPunchwellApp& m_app;
    bool m_heldBefore;
};
