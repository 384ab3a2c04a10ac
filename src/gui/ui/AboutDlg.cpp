#include "gui/ui/AboutDlg.h"

#include "gui/ui/HyperLink.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutDlg"));
    setWindowTitle(tr("About Punchwell"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("iconLabel"));
    icon->setPixmap(QPixmap(QStringLiteral(":/icons/punchwell-256.png"))
                        .scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));

    auto* name = new QLabel(tr("Punchwell"), this);
    name->setObjectName(QStringLiteral("nameLabel"));
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.4);
    name->setFont(bold);
    auto* version = new QLabel(tr("Version %1").arg(QStringLiteral(PUNCHWELL_VERSION)), this);
    version->setObjectName(QStringLiteral("versionLabel"));
    auto* purpose = new QLabel(tr("Records the time you spend on your projects."), this);
    purpose->setObjectName(QStringLiteral("purposeLabel"));
    auto* licence = new QLabel(tr("Licensed under the MIT License"), this);
    licence->setObjectName(QStringLiteral("licenceLabel"));
    m_link = new CHyperLink(QUrl(QString::fromLatin1(kHomePage)), QString(), this);
    m_link->setObjectName(QStringLiteral("homePageLink"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CAboutDlg::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 5, 1, Qt::AlignTop);
    layout->addWidget(name, 0, 1);
    layout->addWidget(version, 1, 1);
    layout->addWidget(purpose, 2, 1);
    layout->addWidget(licence, 3, 1);
    layout->addWidget(m_link, 4, 1);
    layout->addWidget(buttons, 5, 0, 1, 2);
    layout->setHorizontalSpacing(16);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    buttons->button(QDialogButtonBox::Ok)->setFocus();
}
