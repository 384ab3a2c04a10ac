#include "gui/ui/ProjectDlg.h"

#include "core/app/Prompts.h"
#include "core/data/Store.h"
#include "gui/ui/HelpWindow.h"
#include "ui_ProjectDlg.h"

#include <QEvent>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include <limits>
#include <optional>

namespace {

constexpr int kHelpContext = 4;

// The number made of the text's leading digits; saturates rather than wrapping so that a
// very long number stays "too large" instead of turning small.
std::optional<std::uint64_t> LeadingNumber(const QString& text) {
    std::uint64_t value = 0;
    int digits = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        const std::uint64_t digit = static_cast<std::uint64_t>(c.unicode() - u'0');
        value = value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10
                    ? std::numeric_limits<std::uint64_t>::max()
                    : value * 10 + digit;
        ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    return value;
}

// A whole number as the edit boxes must hold it: digits and nothing else.
std::optional<std::uint64_t> WholeNumber(const QString& text) {
    const QString trimmed = text.trimmed();
    for (const QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    return LeadingNumber(trimmed);
}

} // namespace

CProjectDlg::CProjectDlg(const CStore& store, Prompts& prompts, Mode mode, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::ProjectDlg>()), m_store(store), m_prompts(prompts),
      m_nMode(mode) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    if (m_nMode == EditMode) {
        setWindowTitle(tr("Edit Project"));
        m_ui->okButton->setText(tr("&OK"));
    }
    auto* digitsOnly =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    // A rate is often typed as 85.50: the dollars box lets the point in, and the point moves
    // what follows it to the cents box (see OnDollarsEdited).
    m_ui->dollarsEdit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]*(\\.[0-9]*)?")), this));
    m_ui->centsEdit->setValidator(digitsOnly);
    connect(m_ui->dollarsEdit, &QLineEdit::textEdited, this, &CProjectDlg::OnDollarsEdited);
    m_ui->dollarsEdit->installEventFilter(this);
    m_ui->centsEdit->installEventFilter(this);

    connect(m_ui->okButton, &QPushButton::clicked, this, &CProjectDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CProjectDlg::reject);
    connect(m_ui->helpButton, &QPushButton::clicked, this,
            [this] { CHelpWindow::ShowContext(kHelpContext, this); });
    connect(m_ui->useFileCheck, &QCheckBox::clicked, this, &CProjectDlg::OnUseFileClicked);
    connect(m_ui->browseButton, &QPushButton::clicked, this, &CProjectDlg::OnBrowse);

    MoveValuesToControls();
}

CProjectDlg::~CProjectDlg() = default;

void CProjectDlg::SetValues(const CTask& task) {
    m_strName = QString::fromStdString(task.GetName());
    m_strOriginalName = m_strName;
    m_dwDollars = task.GetDollars();
    m_byCents = task.GetCents();
    m_bUseFile = task.IsFileUsed();
    m_strFile = QString::fromStdString(task.GetFile());
    MoveValuesToControls();
}

void CProjectDlg::ApplyTo(CTask& task) const {
    task.SetName(m_strName.toStdString());
    task.SetRate(m_dwDollars, m_byCents);
    task.SetFileUsed(m_bUseFile ? 1 : 0);
    task.SetFile(m_strFile.toStdString());
}

void CProjectDlg::MoveValuesToControls() {
    m_ui->nameEdit->setText(m_strName);
    m_ui->dollarsEdit->setText(QString::number(m_dwDollars));
    m_ui->centsEdit->setText(QString::number(m_byCents));
    m_ui->useFileCheck->setChecked(m_bUseFile);
    m_ui->fileEdit->setText(m_strFile);
    NormaliseCents();
    UpdateFileControls();
}

void CProjectDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_bShownOnce) {
        m_bShownOnce = true;
        m_ui->nameEdit->setFocus();
    }
}

bool CProjectDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_ui->centsEdit)
            NormaliseCents();
        else if (watched == m_ui->dollarsEdit)
            NormaliseDollars();
    }
    return QDialog::eventFilter(watched, event);
}

void CProjectDlg::OnDollarsEdited(const QString& text) {
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0)
        return;
    // The whole dollars stay; the digits after the point are a decimal fraction, which the
    // cents box shows as its two digits once it is left (85.5 is $85.50, not 5 cents).
    m_ui->dollarsEdit->setText(text.left(point));
    m_ui->centsEdit->setText(text.mid(point + 1));
    m_bCentsAfterPoint = true;
    m_ui->centsEdit->setFocus();
    m_ui->centsEdit->end(false);
}

void CProjectDlg::TakeCentsAfterPoint() {
    if (!m_bCentsAfterPoint)
        return;
    m_bCentsAfterPoint = false;
    // Cents are whole: a third decimal has no place in an hourly rate.
    const QString digits = m_ui->centsEdit->text().left(2);
    m_ui->centsEdit->setText(digits.leftJustified(2, QLatin1Char('0')));
}

void CProjectDlg::NormaliseCents() {
    TakeCentsAfterPoint();
    QString cents = m_ui->centsEdit->text();
    if (const auto number = LeadingNumber(cents); !cents.isEmpty() && number && *number > 99) {
        // Whole dollars typed into the cents box move over: 150 cents with $2 is $3.50.
        cents = QString::number(*number % 100);
        const QString dollars = m_ui->dollarsEdit->text();
        if (!dollars.isEmpty()) {
            const std::uint64_t carried = (*number - *number % 100) / 100;
            const std::uint64_t own = LeadingNumber(dollars).value_or(0);
            const std::uint64_t sum = own > std::numeric_limits<std::uint64_t>::max() - carried
                                          ? std::numeric_limits<std::uint64_t>::max()
                                          : own + carried;
            m_ui->dollarsEdit->setText(QString::number(sum));
        }
    }
    if (cents.size() == 1)
        cents.prepend(QLatin1Char('0'));
    else if (cents.isEmpty())
        cents = QStringLiteral("00");
    m_ui->centsEdit->setText(cents);
}

void CProjectDlg::NormaliseDollars() {
    const QString dollars = m_ui->dollarsEdit->text();
    const auto number = LeadingNumber(dollars);
    if (!dollars.isEmpty() && number.value_or(0) != 0) {
        QString trimmed = dollars;
        while (trimmed.startsWith(QLatin1Char('0')))
            trimmed.remove(0, 1);
        m_ui->dollarsEdit->setText(trimmed);
    } else {
        m_ui->dollarsEdit->setText(QStringLiteral("0"));
    }
}

void CProjectDlg::RefuseNumber(const QString& text, QLineEdit* edit) {
    m_prompts.Ask("Punchwell", text.toStdString(), MessageIcon::Exclamation, MessageButtons::Ok);
    edit->setFocus();
    edit->selectAll();
}

bool CProjectDlg::ReadControls() {
    const QString name = m_ui->nameEdit->text();
    // Enter straight after 85.5 reads the cents as the fraction they were typed as.
    TakeCentsAfterPoint();

    const auto cents = WholeNumber(m_ui->centsEdit->text());
    if (!cents || *cents > 255) {
        RefuseNumber(tr("Please enter an integer between 0 and 255."), m_ui->centsEdit);
        return false;
    }
    if (*cents > 99) {
        RefuseNumber(tr("Please enter an integer between %1 and %2.").arg(0).arg(99),
                     m_ui->centsEdit);
        return false;
    }
    const auto dollars = WholeNumber(m_ui->dollarsEdit->text());
    if (!dollars || *dollars > std::numeric_limits<std::uint32_t>::max()) {
        RefuseNumber(tr("Please enter a positive integer."), m_ui->dollarsEdit);
        return false;
    }
    m_strName = name;
    m_byCents = static_cast<std::uint8_t>(*cents);
    m_dwDollars = static_cast<std::uint32_t>(*dollars);
    m_bUseFile = m_ui->useFileCheck->isChecked();
    m_strFile = m_ui->fileEdit->text();
    return true;
}

void CProjectDlg::UpdateFileControls() {
    const bool on = m_ui->useFileCheck->isChecked();
    m_ui->fileEdit->setEnabled(on);
    m_ui->browseButton->setEnabled(on);
}

void CProjectDlg::OnUseFileClicked() {
    ReadControls();
    // Follow the box as the person sees it, even when a number above was refused.
    UpdateFileControls();
}

void CProjectDlg::OnBrowse() {
    FileDialogRequest request;
    request.caption = tr("Open").toStdString();
    request.filter = tr("All Files (*.*);;Word Documents (*.doc);;Text Files (*.txt);;"
                        "Programs (*.exe *.com *.bat)")
                         .toStdString();
    if (const auto path = m_prompts.ChooseOpenFile(request); path && !path->empty()) {
        m_ui->fileEdit->setText(QString::fromStdString(*path));
        m_strFile = m_ui->fileEdit->text();
    }
}

void CProjectDlg::accept() {
    if (!ReadControls())
        return;
    if (m_strName.isEmpty()) {
        m_prompts.Ask(tr("No Name Entered").toStdString(),
                      tr("Please enter a name for this project").toStdString(),
                      MessageIcon::Information, MessageButtons::Ok);
        m_ui->nameEdit->setFocus();
        return;
    }
    // Adding refuses any existing name; editing refuses only another project's name, so an
    // unchanged name passes and two projects can never end up sharing one.
    const bool taken = m_store.FindTask(m_strName.toStdString()) != nullptr &&
                       (m_nMode == AddMode || m_strName != m_strOriginalName);
    if (taken) {
        m_prompts.Ask(tr("Project Exists").toStdString(),
                      tr("The project you have attempted to create already exists. Please "
                         "choose a different name.")
                          .toStdString(),
                      MessageIcon::Information, MessageButtons::Ok);
        m_ui->nameEdit->setFocus();
        // Select the whole name with the cursor at its start, so its beginning is in view.
        m_ui->nameEdit->end(false);
        m_ui->nameEdit->home(true);
        return;
    }
    QDialog::accept();
}
