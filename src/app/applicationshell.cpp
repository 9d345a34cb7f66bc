#include "app/applicationshell.h"

#include "app/appidentity.h"
#include "app/applogging.h"
#include "app/enginepaths.h"
#include "app/enginequeryprefetch.h"
#include "app/mervomainwindow.h"
#include "app/shellsettings.h"
#include "app/stopsignals.h"
#include "engines/engineobjects.h"
#include "engines/ffmpeg.h"
#include "engines/ffprobe.h"
#include "engines/mervomencoder.h"
#include "jobs/console.h"
#include "jobs/infoboxdialog.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QScopeGuard>
#include <QSettings>

namespace {
struct CoreRow
{
    const char *key;
    EnginePaths::Engine engine;
};
// "Core"/"Interfaces", in the order the engines start and are written.
constexpr CoreRow kCoreRows[] = {
    {"ffmpeg", EnginePaths::FFmpeg},
    {"ffprobe", EnginePaths::FFprobe},
    {"mencoder", EnginePaths::MEncoder},
};
} // namespace

ApplicationShell::ApplicationShell() = default;

ApplicationShell::~ApplicationShell()
{
    EngineObjects::setEngines(nullptr, nullptr, nullptr);
    EngineObjects::setConsole(nullptr);
}

void ApplicationShell::initEngines()
{
    QSettings settings;
    Engines engines;
    engines.console = std::make_unique<Console>();
    engines.ffmpeg = std::make_unique<FFmpeg>();
    engines.ffprobe = std::make_unique<FFprobe>();
    engines.mencoder = std::make_unique<MervoMEncoder>();
    EngineObjects::setConsole(engines.console.get());
    EngineObjects::setEngines(engines.ffmpeg.get(), engines.ffprobe.get(), engines.mencoder.get());

    IProcessor *processors[] = {engines.ffmpeg.get(), engines.ffprobe.get(), engines.mencoder.get()};
    settings.beginGroup(QStringLiteral("Core"));
    settings.beginGroup(QStringLiteral("Interfaces"));
    for (size_t i = 0; i < std::size(kCoreRows); ++i) {
        QString path = settings.value(QLatin1String(kCoreRows[i].key)).toString();
        if (path.isEmpty())
            path = EnginePaths::defaultPath(kCoreRows[i].engine);
        processors[i]->startInterface(path, QString());
    }
    settings.endGroup();
    settings.endGroup();
    m_engines.push_back(std::move(engines));
}

void ApplicationShell::saveEnginePaths()
{
    const Engines &engines = m_engines.back();
    const IProcessor *processors[] = {engines.ffmpeg.get(), engines.ffprobe.get(), engines.mencoder.get()};
    QSettings settings;
    settings.beginGroup(QStringLiteral("Core"));
    settings.beginGroup(QStringLiteral("Interfaces"));
    for (size_t i = 0; i < std::size(kCoreRows); ++i)
        settings.setValue(QLatin1String(kCoreRows[i].key), processors[i]->binary());
    settings.endGroup();
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError)
        qCWarning(lcApp).noquote() << tr("The engine paths could not be saved: the settings file %1 cannot be written.")
                                          .arg(QDir::toNativeSeparators(settings.fileName()));
}

namespace {
constexpr QSettings::Scope kScopes[] = {QSettings::UserScope, QSettings::SystemScope};

// The files the program's default store reads (ShellSettings::storeFiles).
QStringList programStoreFiles()
{
    return ShellSettings::storeFiles(QCoreApplication::organizationName(), QCoreApplication::applicationName());
}
} // namespace

bool ApplicationShell::setAsideIrregularSettings()
{
    const QString irregular = ShellSettings::irregularFile(programStoreFiles());
    if (irregular.isEmpty())
        return false;
    m_noticeText = tr("The settings file is not a regular file: it is neither read nor written, and "
                      "the settings start from their defaults.");
    m_noticeDetail = tr("Settings file: %1").arg(QDir::toNativeSeparators(irregular));
    m_asideSettings = std::make_unique<QTemporaryDir>();
    for (const QSettings::Scope scope : kScopes) {
        m_settingsFolders << ShellSettings::storeFolder(scope);
        QSettings::setPath(QSettings::defaultFormat(), scope, m_asideSettings->path());
    }
    return true;
}

void ApplicationShell::restoreSettingsFolders()
{
    for (qsizetype i = 0; i < m_settingsFolders.size(); ++i)
        QSettings::setPath(QSettings::defaultFormat(), kScopes[i], m_settingsFolders.at(i));
    m_settingsFolders.clear();
    m_asideSettings.reset();
}

bool ApplicationShell::tellUnreadableSettings()
{
    const QString unreadable = ShellSettings::unreadableFile(programStoreFiles());
    if (unreadable.isEmpty())
        return false;
    m_noticeText = tr("The settings file cannot be read: the settings start from their defaults, and they cannot be "
                      "saved until it can be read.");
    m_noticeDetail = QFileInfo(unreadable).isDir()
                         ? tr("Settings file: %1 is a folder.").arg(QDir::toNativeSeparators(unreadable))
                         : tr("Settings file: %1 may not be read by you.").arg(QDir::toNativeSeparators(unreadable));
    return true;
}

void ApplicationShell::keepSharedSettingsAside()
{
    const QString own = QSettings().fileName();
    if (!ShellSettings::isShared(own))
        return;
    const QString folder = ShellSettings::storeFolder(QSettings::UserScope);
    m_asideSettings = std::make_unique<QTemporaryDir>();
    // The files of the user's scope the run reads or writes: the program's own, its
    // organisation's, and the other edition's that "Clear all settings" clears.
    const QStringList files = programStoreFiles().mid(0, 2)
                              + ShellSettings::storeFiles(QLatin1String(AppIdentity::kOtherEditionOrganization),
                                                          QCoreApplication::applicationName()).mid(0, 1);
    for (const QString &file : files) {
        ThroughFile through{m_asideSettings->filePath(file.mid(folder.size() + 1)), file, QByteArray(),
                            QFileInfo(file).isFile()};
        QFile real(file);
        if (through.existed && real.open(QIODevice::ReadOnly))
            through.written = real.readAll();
        QDir().mkpath(QFileInfo(through.copy).path());
        QFile copy(through.copy);
        if (through.existed && copy.open(QIODevice::WriteOnly))
            copy.write(through.written);
        m_throughFiles << through;
    }
    m_settingsFolders << folder;
    QSettings::setPath(QSettings::defaultFormat(), QSettings::UserScope, m_asideSettings->path());
}

void ApplicationShell::writeSettingsThrough()
{
    for (ThroughFile &through : m_throughFiles) {
        QFile copy(through.copy);
        if (!copy.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = copy.readAll();
        if (text == through.written && through.existed)
            continue;
        if (!ShellSettings::writeThrough(through.file, text)) {
            qCWarning(lcApp).noquote() << tr("The settings could not be saved: the settings file %1 cannot be written.")
                                              .arg(QDir::toNativeSeparators(through.file));
            continue;
        }
        through.written = text;
        through.existed = true;
    }
}

void ApplicationShell::keepDamagedSettings()
{
    const QString fileName = QSettings().fileName();
    if (ShellSettings::readsBackWhole(fileName))
        return;
    const QString copy = ShellSettings::keepCopy(fileName);
    // The store would read on past the damaged place (junk read as keys, and a read error
    // that hides whether the closing save was written) and save all it read again: with the
    // file kept aside, the live one starts clean.
    if (!copy.isEmpty())
        ShellSettings::cutAtDamage(fileName);
    m_noticeText = tr("The settings file could not be read in full: the settings after the damaged "
                      "place start from their defaults and will be saved so.");
    m_noticeDetail = copy.isEmpty()
                             ? tr("No copy of %1 could be kept.").arg(QDir::toNativeSeparators(fileName))
                             : tr("The file as it was is kept as %1.").arg(QDir::toNativeSeparators(copy));
}

void ApplicationShell::tellSettingsNotice(QWidget *window)
{
    if (m_noticeText.isEmpty())
        return;
    // Also on the terminal, for whoever started the program from one.
    qCWarning(lcApp).noquote() << m_noticeText << m_noticeDetail;
    InfoBoxDialog box(window);
    box.setIcon(QMessageBox::Warning);
    box.setText(m_noticeText);
    box.setInformativeText(m_noticeDetail);
    box.addButton(QMessageBox::Ok);
    m_noticeText.clear();
    box.exec();
}

int ApplicationShell::run()
{
    const auto restore = qScopeGuard([this] { restoreSettingsFolders(); });
    if (!setAsideIrregularSettings() && !tellUnreadableSettings()) {
        keepDamagedSettings();
        keepSharedSettingsAside();
    }
    // From here a "kill PID" or a logout ends the program by its closing road: a signal that
    // comes before the window is ready waits in its pipe for the window's event loop.
    StopSignals stopSignals;
    for (;;) {
        ++m_passes;
        EngineQueryPrefetch::start();
        initEngines();
        QPointer<MervoMainWindow> window = new MervoMainWindow;
        const QMetaObject::Connection stopping =
            QObject::connect(&stopSignals, &StopSignals::received, window, &MainWindow::closeOnSignal);
        window->initialize();
        window->show();
        EngineQueryPrefetch::stop();
        tellSettingsNotice(window);
        if (onWindowShown)
            onWindowShown(window);
        // A window closed inside the box's own loop (a signal dismisses the box and closes
        // it) asked to quit before the loop ran: the loop would wait for nothing, for ever.
        const int code = window && !window->hasClosed() ? QApplication::exec() : 0;
        QObject::disconnect(stopping);
        saveEnginePaths();
        if (code == AppIdentity::kRestartExitCode && window) {
            // Closing the old window outside the event loop must not end the next loop.
            QGuiApplication::setQuitOnLastWindowClosed(false);
            window->close();
            QGuiApplication::setQuitOnLastWindowClosed(true);
        }
        // A closed window deletes itself later; no later loop may come to do it.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // Its panels saved their settings as they went.
        writeSettingsThrough();
        if (code != AppIdentity::kRestartExitCode)
            return code;
    }
}
