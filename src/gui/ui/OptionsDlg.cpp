#include "gui/ui/OptionsDlg.h"

#include "core/app/Prompts.h"
#include "core/app/PunchwellApp.h"
#include "gui/ui/EnterPasswordDlg.h"
#include "gui/ui/HelpWindow.h"
#include "gui/ui/NewPasswordDlg.h"
#include "gui/ui/PasswordText.h"
#include "gui/ui/ProjectNameDisplay.h"
#include "gui/ui/ProjectNameOrder.h"
#include "ui_OptionsDlg.h"

#include <algorithm>

namespace {

constexpr int kHelpContext = 13;

} // namespace

COptionsDlg::COptionsDlg(CPunchwellApp& app, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::OptionsDlg>()), m_app(app), m_prompts(prompts) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    // The empty entry stays first; the names follow in list order.
    QStringList names;
    for (const auto& task : m_app.Store().Tasks())
        names.append(QString::fromStdString(task->GetName()));
    std::stable_sort(names.begin(), names.end(), ProjectNameLess);
    m_ui->defaultProjectCombo->addItem(QString());
    m_ui->defaultProjectCombo->addItems(names);
    FitProjectNames(m_ui->defaultProjectCombo);

    const COptions& options = m_app.GetOptions();
    m_ui->autoSwitchCheck->setChecked(options.m_bAutoSwitch != 0);
    m_ui->autoSaveCheck->setChecked(options.m_bAutoSave != 0);
    m_ui->showNotesCheck->setChecked(options.m_bShowNotes != 0);
    m_ui->showListGroup->setChecked(options.m_bShowListOnStart != 0);
    // Off keeps the spin box at the usual value, ready for when it is switched on again.
    m_ui->idleCheck->setChecked(options.m_wIdleMinutes != 0);
    m_ui->idleMinutesSpin->setMaximum(COptions::kMaxIdleMinutes);
    m_ui->idleMinutesSpin->setValue(options.m_wIdleMinutes != 0 ? options.m_wIdleMinutes
                                                                : COptions().m_wIdleMinutes);
    const QString defaultProject = QString::fromStdString(options.m_strDefaultProject);
    int defaultRow = -1;
    for (int row = 0; row < m_ui->defaultProjectCombo->count(); ++row) {
        if (m_ui->defaultProjectCombo->itemText(row).compare(defaultProject, Qt::CaseInsensitive) ==
            0) {
            defaultRow = row;
            break;
        }
    }
    m_ui->defaultProjectCombo->setCurrentIndex(defaultRow);
    // A stored value the list does not offer shows no selection.
    m_ui->minutesCombo->setCurrentIndex(
        options.m_wAutoSaveIndex < m_ui->minutesCombo->count() ? options.m_wAutoSaveIndex : -1);
    m_ui->weekStartCombo->setCurrentIndex(
        options.m_wWeekStart < m_ui->weekStartCombo->count() ? options.m_wWeekStart : -1);
    m_ui->backupDaysSpin->setRange(BackupRetention::kMinDays, BackupRetention::kMaxDays);
    m_ui->backupMonthsSpin->setRange(BackupRetention::kMinMonths, BackupRetention::kMaxMonths);
    m_ui->backupDaysSpin->setValue(options.m_nBackupDays);
    m_ui->backupMonthsSpin->setValue(options.m_nBackupMonths);
    // "1 day", "1 month": the unit follows the count.
    const auto unitFollowsCount = [](QSpinBox* spin, const QString& one, const QString& many) {
        const auto update = [spin, one, many](int value) {
            spin->setSuffix(value == 1 ? one : many);
        };
        connect(spin, &QSpinBox::valueChanged, spin, update);
        // As wide as the longer unit needs, so that the box keeps its size while typing.
        spin->setSuffix(many);
        spin->setMinimumWidth(spin->sizeHint().width());
        update(spin->value());
    };
    unitFollowsCount(m_ui->backupDaysSpin, tr(" day"), tr(" days"));
    unitFollowsCount(m_ui->backupMonthsSpin, tr(" month"), tr(" months"));

    connect(m_ui->autoSaveCheck, &QCheckBox::clicked, this, &COptionsDlg::UpdateEnabling);
    connect(m_ui->idleCheck, &QCheckBox::toggled, this, &COptionsDlg::UpdateEnabling);
    connect(m_ui->showListGroup, &QGroupBox::clicked, this, &COptionsDlg::UpdateEnabling);
    connect(m_ui->passwordButton, &QPushButton::clicked, this, &COptionsDlg::OnSetPassword);
    connect(m_ui->okButton, &QPushButton::clicked, this, &COptionsDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &COptionsDlg::reject);
    connect(m_ui->helpButton, &QPushButton::clicked, this,
            [this] { CHelpWindow::ShowContext(kHelpContext, this); });
    UpdateEnabling();
    UpdatePasswordButton();
}

COptionsDlg::~COptionsDlg() = default;

void COptionsDlg::UpdateEnabling() {
    m_ui->minutesCombo->setEnabled(m_ui->autoSaveCheck->isChecked());
    m_ui->idleMinutesSpin->setEnabled(m_ui->idleCheck->isChecked());
    // The group's own check box grays its contents with it.
    m_ui->defaultProjectCombo->setEnabled(m_ui->showListGroup->isChecked());
}

void COptionsDlg::UpdatePasswordButton() {
    m_ui->passwordButton->setText(m_app.GetPassword().empty() ? tr("&Set Password...")
                                                              : tr("&Change Password..."));
}

void COptionsDlg::OnSetPassword() {
    if (const std::string current = m_app.GetPassword(); !current.empty()) {
        CEnterPasswordDlg enter(m_prompts, current, this);
        if (enter.exec() != QDialog::Accepted)
            return;
    }
    CNewPasswordDlg change(m_prompts, this);
    if (change.exec() == QDialog::Accepted) {
        m_app.SetPassword(PasswordBytes(change.GetPassword()));
        m_app.SaveData();
        m_prompts.Ask(tr("Password Set").toStdString(),
                      tr("The password has been set. Don't forget it!").toStdString(),
                      MessageIcon::None, MessageButtons::Ok);
    }
    UpdatePasswordButton();
}

void COptionsDlg::SetIdleNote(const QString& whyNoSource) {
    m_ui->idleNoteLabel->setText(tr("Only sleep can be noticed here: %1").arg(whyNoSource));
    m_ui->idleNoteLabel->setVisible(!whyNoSource.isEmpty());
    adjustSize();
}

void COptionsDlg::ApplyTo(CPunchwellApp& app) const {
    // Fields a combo box leaves without a choice keep what was stored.
    COptions options = app.GetOptions();
    const int minutes = m_ui->minutesCombo->currentIndex();
    const int weekStart = m_ui->weekStartCombo->currentIndex();
    const int defaultRow = m_ui->defaultProjectCombo->currentIndex();
    options.m_bAutoSwitch = m_ui->autoSwitchCheck->isChecked() ? 1 : 0;
    options.m_strDefaultProject =
        defaultRow < 0 ? std::string()
                       : m_ui->defaultProjectCombo->itemText(defaultRow).toStdString();
    options.m_bShowListOnStart = m_ui->showListGroup->isChecked() ? 1 : 0;
    if (weekStart >= 0)
        options.m_wWeekStart = static_cast<std::uint16_t>(weekStart);
    options.m_bAutoSave = m_ui->autoSaveCheck->isChecked() ? 1 : 0;
    if (minutes >= 0)
        options.m_wAutoSaveIndex = static_cast<std::uint16_t>(minutes);
    options.m_bShowNotes = m_ui->showNotesCheck->isChecked() ? 1 : 0;
    options.m_wIdleMinutes = m_ui->idleCheck->isChecked()
                                 ? static_cast<std::uint16_t>(m_ui->idleMinutesSpin->value())
                                 : 0;
    options.m_nBackupDays = m_ui->backupDaysSpin->value();
    options.m_nBackupMonths = m_ui->backupMonthsSpin->value();
    app.SetOptions(options);
}
