// Shared main of every test executable.
//
// Tests never touch the user's settings or folders: before the application object exists,
// HOME and the XDG locations point into a temporary folder, the settings store writes
// there, and Qt's standard locations are in test mode.

#include "testregistry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

namespace {
std::map<std::string, TestRegistry::Factory> &registry()
{
    static std::map<std::string, TestRegistry::Factory> classes;
    return classes;
}

void isolateUserLocations(const QString &root)
{
    const QByteArray base = QFile::encodeName(root);
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                             "XDG_RUNTIME_DIR"}) {
        const QByteArray path = base + '/' + name;
        QDir().mkpath(QString::fromLocal8Bit(path));
        qputenv(name, path);
    }
    QFile::setPermissions(root + "/XDG_RUNTIME_DIR", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
} // namespace

bool TestRegistry::add(const char *name, Factory factory)
{
    registry()[name] = std::move(factory);
    return true;
}

int main(int argc, char **argv)
{
    QTemporaryDir sandbox(QDir::tempPath() + "/vexo-test-XXXXXX");
    if (!sandbox.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder for the test sandbox\n");
        return 2;
    }
    isolateUserLocations(sandbox.path());
    // Tests that need a display get none set here: with an X display they run on it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");

    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, sandbox.path() + "/settings");
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, sandbox.path() + "/settings");

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName("VexoTests");
    QCoreApplication::setApplicationName("VexoTests");

    // "tst_area ClassName [QtTest arguments]" runs one class; "tst_area" runs all.
    QStringList arguments = app.arguments();
    std::string only;
    if (arguments.size() > 1 && registry().count(arguments.at(1).toStdString())) {
        only = arguments.at(1).toStdString();
        arguments.removeAt(1);
    }

    int failures = 0;
    for (const auto &[name, factory] : registry()) {
        if (!only.empty() && name != only)
            continue;
        std::unique_ptr<QObject> test(factory());
        failures += QTest::qExec(test.get(), arguments);
    }
    return failures == 0 ? 0 : 1;
}
