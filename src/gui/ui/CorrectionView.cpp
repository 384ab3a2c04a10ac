#include "gui/ui/CorrectionView.h"

#include "core/app/Prompts.h"
#include "core/data/PeriodEditor.h"
#include "core/data/Store.h"
#include "core/platform/LocalTime.h"
#include "gui/ui/ProjectNameOrder.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QObject>

#include <algorithm>
#include <limits>

namespace correctionview {

void SetTime(QDateTimeEdit* edit, std::int32_t time) {
    const auto local = ToLocal(time);
    if (!local)
        return;
    edit->setDateTime(QDateTime(QDate(local->year, local->month, local->day),
                                QTime(local->hour, local->minute, local->second)));
}

std::optional<std::int32_t> TimeOf(const QDateTimeEdit* edit) {
    const QDateTime value = edit->dateTime();
    LocalDateTime fields;
    fields.year = value.date().year();
    fields.month = value.date().month();
    fields.day = value.date().day();
    fields.hour = value.time().hour();
    fields.minute = value.time().minute();
    fields.second = value.time().second();
    // Never the C runtime's guess: a time shown twice (clocks going back) is its earlier
    // moment, one the clocks skip is the moment they jumped.
    const LocalTimeResolution resolved = ResolveLocal(fields);
    std::int64_t time = 0;
    switch (resolved.kind) {
    case LocalTimeResolution::Kind::Exact:
    case LocalTimeResolution::Kind::Repeated:
        time = resolved.time;
        break;
    case LocalTimeResolution::Kind::Skipped:
        time = resolved.jumpAt;
        break;
    case LocalTimeResolution::Kind::Invalid:
        return std::nullopt;
    }
    if (time < std::numeric_limits<std::int32_t>::min() ||
        time > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(time);
}

void FillProjects(QComboBox* list, const CStore& store, const QString& selected) {
    QStringList names;
    for (const auto& task : store.Tasks())
        names << QString::fromStdString(task->GetName());
    if (!selected.isEmpty() && !names.contains(selected))
        names << selected;
    std::stable_sort(names.begin(), names.end(), ProjectNameLess);
    list->clear();
    list->addItems(names);
    list->setCurrentIndex(std::max(0, static_cast<int>(names.indexOf(selected))));
}

void ShowPlan(const CorrectionPlan& plan, QLabel* problem, QLabel* note, QLabel* warning) {
    const auto show = [](QLabel* label, const QString& text) {
        label->setText(text);
        label->setVisible(!text.isEmpty());
    };
    // Red for what stops the correction, amber for what only deserves a look.
    problem->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold;"));
    warning->setStyleSheet(QStringLiteral("color: #8a5200;"));
    show(problem, QString::fromStdString(plan.refusal));
    QStringList notes;
    for (const std::string& line : plan.notes)
        notes << QString::fromStdString(line);
    show(note, notes.join(QLatin1Char('\n')));
    QStringList warnings;
    for (const std::string& line : plan.warnings)
        warnings << QLabel::tr("Warning: ") + QString::fromStdString(line);
    show(warning, warnings.join(QLatin1Char('\n')));
}

OverlapAnswer AskToOpenOverlapped(Prompts& prompts, const CorrectionPlan& plan,
                                  const std::string& joinHint) {
    if (plan.problem != CorrectionPlan::Problem::SameProjectOverlap || !plan.conflict ||
        plan.conflict->IsRunning())
        return OverlapAnswer::NotAsked;
    std::string text = plan.refusal + "\n\nWould you like to open that period?";
    if (plan.joinable)
        text += joinHint;
    return prompts.Ask(QObject::tr("Periods Overlap").toStdString(), text, MessageIcon::Question,
                       MessageButtons::YesNo) == MessageAnswer::Yes
               ? OverlapAnswer::OpenIt
               : OverlapAnswer::Stay;
}

} // namespace correctionview
