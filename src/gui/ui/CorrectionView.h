#pragma once

#include <QDateTime>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>

class CStore;
class Prompts;
class QComboBox;
class QDateTimeEdit;
class QLabel;
struct CorrectionPlan;

// What the period dialogs share: local times in and out of a date-time field (through the
// core's local time, so the dialogs agree with every list and report), the project list,
// and the lines that tell what a correction would do.
namespace correctionview {

void SetTime(QDateTimeEdit* edit, std::int32_t time);
// Empty when the local time cannot be represented.
std::optional<std::int32_t> TimeOf(const QDateTimeEdit* edit);
// Every project of the store, sorted as project lists are, plus `extra` when missing (the
// project of a period whose project was deleted); `selected` is chosen.
void FillProjects(QComboBox* list, const CStore& store, const QString& selected);
// The refusal, the adjustments and the warnings of a plan, each label hidden when empty.
void ShowPlan(const CorrectionPlan& plan, QLabel* problem, QLabel* note, QLabel* warning);
// For a plan refused for overlapping another (closed) period of its project: asks whether to
// open that period instead, adding `joinHint` when the two could be joined. Any other plan
// asks nothing.
enum class OverlapAnswer { NotAsked, OpenIt, Stay };
OverlapAnswer AskToOpenOverlapped(Prompts& prompts, const CorrectionPlan& plan,
                                  const std::string& joinHint);

} // namespace correctionview
