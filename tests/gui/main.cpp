// The GUI test runner. Every test process gets fresh config, data and runtime folders, so
// no test sees another's settings or the person's own.
#include "gui/app/PunchwellApplication.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

int main(int argc, char** argv) {
    // Test discovery runs without the tests' environment (and without a display): answer it
    // before anything needs a window system.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) {
            testing::InitGoogleTest(&argc, argv);
            return RUN_ALL_TESTS();
        }
    }

    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/punchwell-gui-tests-XXXXXX"));
    if (!root.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    const QString config = root.filePath(QStringLiteral("config"));
    const QString data = root.filePath(QStringLiteral("data"));
    const QString runtime = root.filePath(QStringLiteral("runtime"));
    for (const QString& path : {config, data, runtime})
        QDir().mkpath(path);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmoor"));
    QApplication::setApplicationName(QStringLiteral("Punchwell"));
    QApplication::setQuitOnLastWindowClosed(false);
    PunchwellApplication::InitResources();

    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
