#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// A fixture for tests that show widgets: its cleanup closes any modal widget a failed step
// left open, so one failure cannot hang the suite.
class GuiTest : public testing::Test {
protected:
    void TearDown() override;
    static void CloseModalWidgets();
};

// Acts on the next modal widget as soon as it is up. Polls from a timer instead of waiting
// inside one, because the widget's exec() runs its own loop above the caller.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(QWidget*)> action, int timeoutMs = 10000);
    ~ModalDriver();
    bool Ran() const { return m_ran; }

private:
    void Poll();

    std::function<void(QWidget*)> m_action;
    QTimer m_timer;
    qint64 m_deadline = 0;
    bool m_ran = false;
};

// The named child of a widget, failing the test when there is none.
template <typename T> T* Child(QWidget* parent, const char* name) {
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// A project or a period for a test data file.
struct TestPeriod {
    std::string project;
    std::int32_t start;
    std::int32_t end;
    std::string notes;
};

// The bytes of a data file holding these records, written by the core's own writer.
QByteArray MakeDataFile(const std::vector<std::string>& projects,
                        const std::vector<TestPeriod>& periods);
QByteArray ReadBytes(const QString& path);
bool WriteBytes(const QString& path, const QByteArray& bytes);

// The environment for a child punchwell: the test's own plus a config folder of its own.
QProcessEnvironment ChildEnvironment(const QString& configHome);
QString PunchwellBinary();
