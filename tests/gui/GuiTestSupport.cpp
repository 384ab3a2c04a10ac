#include "GuiTestSupport.h"

#include "core/data/DataFile.h"
#include "core/data/Store.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QSaveFile>

#include <memory>

void GuiTest::TearDown() {
    CloseModalWidgets();
}

void GuiTest::CloseModalWidgets() {
    for (int i = 0; i < 20; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            break;
        modal->close();
        QApplication::processEvents();
    }
}

ModalDriver::ModalDriver(std::function<void(QWidget*)> action, int timeoutMs)
    : m_action(std::move(action)), m_deadline(QDateTime::currentMSecsSinceEpoch() + timeoutMs) {
    m_timer.setInterval(10);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { Poll(); });
    m_timer.start();
}

ModalDriver::~ModalDriver() {
    m_timer.stop();
}

void ModalDriver::Poll() {
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
        m_timer.stop();
        m_ran = true;
        m_action(modal);
        // Whatever the action did, the widget must not stay up and block the test.
        if (QApplication::activeModalWidget() == modal)
            modal->close();
        return;
    }
    if (QDateTime::currentMSecsSinceEpoch() > m_deadline)
        m_timer.stop();
}

QByteArray MakeDataFile(const std::vector<std::string>& projects,
                        const std::vector<TestPeriod>& periods) {
    CStore store;
    for (const std::string& name : projects)
        store.AppendTask(std::make_unique<CTask>(name));
    for (const TestPeriod& p : periods) {
        auto period = std::make_unique<CDoneTask>(p.project, p.notes);
        period->Begin(p.start);
        period->Finish(p.end);
        store.AppendDoneTask(std::move(period));
    }
    const std::string bytes = CDataFile::Write(store, {}, 0);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

QProcessEnvironment ChildEnvironment(const QString& configHome) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    return env;
}

QString PunchwellBinary() {
    return QStringLiteral(PUNCHWELL_BIN_PATH);
}
