#include "gui/ui/IdleTimeDlg.h"

#include "core/platform/LocalTime.h"
#include "core/timing/CheckIn.h"
#include "core/timing/DurationFormat.h"
#include "ui_IdleTimeDlg.h"

#include <QPushButton>
#include <QStyle>

CIdleTimeDlg::CIdleTimeDlg(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::IdleTimeDlg>()) {
    m_ui->setupUi(this);
    // A question, not a window to arrange: a title and a close box only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    m_ui->iconLabel->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this).pixmap(size, size));
    connect(m_ui->keepButton, &QPushButton::clicked, this, [this] { Answer(IdleAnswer::Keep); });
    connect(m_ui->discardContinueButton, &QPushButton::clicked, this,
            [this] { Answer(IdleAnswer::DiscardAndContinue); });
    connect(m_ui->discardCheckOutButton, &QPushButton::clicked, this,
            [this] { Answer(IdleAnswer::DiscardAndCheckOut); });
}

CIdleTimeDlg::~CIdleTimeDlg() = default;

void CIdleTimeDlg::SetQuestion(const IdleQuestion& question) {
    m_question = question;
    m_ui->projectLabel->setText(QString::fromStdString(question.project));
    m_ui->sinceLabel->setText(
        QString::fromStdString(FormatLocal(question.start, CCheckIn::kDateFormat)));
    m_ui->lengthLabel->setText(QString::fromStdString(duration::FormatElapsed(question.Seconds())));
    m_ui->keepButton->setFocus();
}

void CIdleTimeDlg::Answer(IdleAnswer answer) {
    hide();
    emit answered(answer);
}

void CIdleTimeDlg::reject() {
    Answer(IdleAnswer::Keep);
}
