#include "gui/ui/HelpWindow.h"

#include <algorithm>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString kContentsPage = QStringLiteral("contents.html");
const QString kPageRoot = QStringLiteral("qrc:/help/");

QPointer<CHelpWindow>& TheWindow() {
    static QPointer<CHelpWindow> window;
    return window;
}

QString PageForContext(int context) {
    const QString page = QStringLiteral("context%1.html").arg(context);
    return QFile::exists(QStringLiteral(":/help/") + page) ? page : kContentsPage;
}

// The pages the index lists, in the order of the contents.
const QStringList& IndexedPages() {
    static const QStringList pages = {
        QStringLiteral("contents.html"),  QStringLiteral("basics.html"),
        QStringLiteral("context3.html"),  QStringLiteral("context4.html"),
        QStringLiteral("context6.html"),  QStringLiteral("context8.html"),
        QStringLiteral("context9.html"),  QStringLiteral("context11.html"),
        QStringLiteral("context13.html"),
    };
    return pages;
}

QString PlainText(QString html) {
    html.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    QTextDocument doc;
    doc.setHtml(html);
    return doc.toPlainText().simplified();
}

} // namespace

CHelpWindow::CHelpWindow() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(tr("Punchwell Help"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* indexPane = new QWidget;
    auto* indexLayout = new QVBoxLayout(indexPane);
    indexLayout->setContentsMargins(0, 0, 0, 0);
    auto* filterLabel = new QLabel(tr("&Type the word you are looking for:"));
    m_filterEdit = new QLineEdit;
    m_filterEdit->setObjectName(QStringLiteral("filterEdit"));
    m_filterEdit->setClearButtonEnabled(true);
    filterLabel->setBuddy(m_filterEdit);
    m_topicList = new QListWidget;
    m_topicList->setObjectName(QStringLiteral("topicList"));
    indexLayout->addWidget(filterLabel);
    indexLayout->addWidget(m_filterEdit);
    indexLayout->addWidget(m_topicList);

    auto* pagePane = new QWidget;
    auto* pageLayout = new QVBoxLayout(pagePane);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QHBoxLayout;
    auto* contentsButton = new QPushButton(tr("&Contents"));
    contentsButton->setObjectName(QStringLiteral("contentsButton"));
    auto* backButton = new QPushButton(tr("&Back"));
    backButton->setObjectName(QStringLiteral("backButton"));
    auto* forwardButton = new QPushButton(tr("&Forward"));
    forwardButton->setObjectName(QStringLiteral("forwardButton"));
    buttons->addWidget(contentsButton);
    buttons->addWidget(backButton);
    buttons->addWidget(forwardButton);
    buttons->addStretch();
    m_browser = new QTextBrowser;
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenExternalLinks(true);
    pageLayout->addLayout(buttons);
    pageLayout->addWidget(m_browser);

    m_splitter = new QSplitter;
    m_splitter->addWidget(indexPane);
    m_splitter->addWidget(pagePane);
    m_splitter->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_splitter);
    resize(kWidth, kHeight);

    backButton->setEnabled(false);
    forwardButton->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, backButton, &QPushButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forwardButton, &QPushButton::setEnabled);
    connect(backButton, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forwardButton, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(contentsButton, &QPushButton::clicked, this, [this] { Open(kContentsPage); });
    connect(m_filterEdit, &QLineEdit::textChanged, this, &CHelpWindow::ApplyFilter);
    connect(m_topicList, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        m_browser->setSource(item->data(Qt::UserRole).toUrl());
    });
    connect(m_topicList, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        m_browser->setSource(item->data(Qt::UserRole).toUrl());
    });
    connect(m_filterEdit, &QLineEdit::returnPressed, this, [this] {
        for (int row = 0; row < m_topicList->count(); ++row) {
            if (!m_topicList->item(row)->isHidden()) {
                m_browser->setSource(m_topicList->item(row)->data(Qt::UserRole).toUrl());
                return;
            }
        }
    });

    BuildIndex();
    FitIndexPane();
}

void CHelpWindow::BuildIndex() {
    // Every page is a topic under its title, and every section heading in it one more.
    static const QRegularExpression titlePattern(QStringLiteral("<title>(.*?)</title>"),
                                                 QRegularExpression::DotMatchesEverythingOption |
                                                     QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression headingPattern(
        QStringLiteral("<h2[^>]*>(?:<a name=\"([^\"]*)\"></a>)?(.*?)</h2>"),
        QRegularExpression::DotMatchesEverythingOption | QRegularExpression::CaseInsensitiveOption);
    struct Section {
        QString heading;
        QString page;
        QUrl url;
    };
    QList<QPair<QString, QUrl>> topics;
    QList<Section> sections;
    for (const QString& page : IndexedPages()) {
        QFile file(QStringLiteral(":/help/") + page);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString html = QString::fromUtf8(file.readAll());
        const QUrl url(kPageRoot + page);
        QString pageTitle;
        if (const auto title = titlePattern.match(html); title.hasMatch()) {
            pageTitle = PlainText(title.captured(1));
            topics.append({pageTitle, url});
        }
        auto headings = headingPattern.globalMatch(html);
        while (headings.hasNext()) {
            const auto heading = headings.next();
            QUrl target = url;
            if (!heading.captured(1).isEmpty())
                target.setFragment(heading.captured(1));
            sections.append({PlainText(heading.captured(2)), pageTitle, target});
        }
    }
    // A heading that several pages share ("Messages") is told apart by its page.
    QHash<QString, int> uses;
    for (const Section& section : sections)
        ++uses[section.heading];
    for (const Section& section : sections) {
        const QString name = uses.value(section.heading) > 1
                                 ? tr("%1 (%2)").arg(section.heading, section.page)
                                 : section.heading;
        topics.append({name, section.url});
    }
    std::sort(topics.begin(), topics.end(), [](const auto& a, const auto& b) {
        return QString::compare(a.first, b.first, Qt::CaseInsensitive) < 0;
    });
    for (const auto& [title, url] : topics) {
        auto* item = new QListWidgetItem(title, m_topicList);
        item->setData(Qt::UserRole, url);
        item->setToolTip(title);
    }
}

void CHelpWindow::FitIndexPane() {
    // The index as wide as its longest entry, as long as the page keeps half of the window.
    const int entries = m_topicList->sizeHintForColumn(0) + 2 * m_topicList->frameWidth() +
                        m_topicList->verticalScrollBar()->sizeHint().width() + 8;
    const int total = m_splitter->width() > 0 ? m_splitter->width() : width();
    const int index = std::min(std::max(entries, 220), total / 2);
    m_splitter->setSizes({index, total - index});
}

void CHelpWindow::ApplyFilter(const QString& text) {
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int row = 0; row < m_topicList->count(); ++row) {
        QListWidgetItem* item = m_topicList->item(row);
        bool match = true;
        for (const QString& word : words)
            match = match && item->text().contains(word, Qt::CaseInsensitive);
        item->setHidden(!match);
    }
}

void CHelpWindow::Open(const QString& page) {
    m_browser->setSource(QUrl(kPageRoot + page));
}

QString CHelpWindow::CurrentPage() const {
    return m_browser->source().fileName();
}

void CHelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

CHelpWindow* CHelpWindow::Ensure() {
    QPointer<CHelpWindow>& window = TheWindow();
    if (!window) {
        window = new CHelpWindow;
        window->PlaceOnScreen();
    }
    // A window opened beside a modal dialog would take no input, so while one is open the
    // help comes up modal itself, on top, and the dialog waits until it is closed.
    QWidget* modal = QApplication::activeModalWidget();
    const Qt::WindowModality wanted =
        modal && modal != window ? Qt::ApplicationModal : Qt::NonModal;
    if (window->windowModality() != wanted) {
        window->hide();
        window->setWindowModality(wanted);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void CHelpWindow::PlaceOnScreen() {
    // On the screen of the window the person works in, wholly inside its free area (without
    // panels), title bar and borders included; a small screen gets a smaller window.
    const QWidget* active = QApplication::activeWindow();
    const QScreen* screen =
        active && active->screen() ? active->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->availableGeometry();
    constexpr int kFrameWidth = 16;  // the borders left and right
    constexpr int kFrameHeight = 48; // the title bar and the lower border
    const QSize size(std::min(kWidth, area.width() - kFrameWidth),
                     std::min(kHeight, area.height() - kFrameHeight));
    resize(size);
    layout()->activate();
    FitIndexPane();
    move(area.x() + (area.width() - size.width() - kFrameWidth) / 2,
         area.y() + (area.height() - size.height() - kFrameHeight) / 2);
}

CHelpWindow* CHelpWindow::Instance() {
    return TheWindow();
}

void CHelpWindow::ShowContents() {
    Ensure()->Open(kContentsPage);
}

void CHelpWindow::ShowIndex() {
    CHelpWindow* window = Ensure();
    if (window->CurrentPage().isEmpty())
        window->Open(kContentsPage);
    window->m_filterEdit->setFocus();
    window->m_filterEdit->selectAll();
}

void CHelpWindow::ShowContext(int context, QWidget* requester) {
    Q_UNUSED(requester);
    Ensure()->Open(PageForContext(context));
}

int CHelpWindow::ContextForOpenDialogs() {
    struct Entry {
        const char* caption;
        int context;
    };
    static const Entry table[] = {
        {"Add A Project", 4},          {"Options", 13},        {"Configure Projects", 3},
        {"Generate Custom Report", 9}, {"Load Data File", 11}, {"Reports", 8},
        {"Choose Report Options", 8},  {"Idle Time", 13},
    };
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const Entry& entry : table) {
        for (QWidget* widget : windows) {
            if (qobject_cast<QDialog*>(widget) && widget->isVisible() &&
                widget->windowTitle() == QLatin1String(entry.caption))
                return entry.context;
        }
    }
    return 0;
}

void CHelpWindow::ShowForOpenDialog() {
    const int context = ContextForOpenDialogs();
    if (context == 0)
        ShowContents();
    else
        ShowContext(context);
}

void CHelpWindow::CloseHelp() {
    if (CHelpWindow* window = TheWindow())
        window->close();
}
