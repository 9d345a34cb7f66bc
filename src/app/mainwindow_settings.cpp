// The main window's part of the settings store: read once when the window is built, written
// once when it closes with saving on. Every value read is checked (ShellSettings).

#include "app/applogging.h"
#include "app/mainwindow.h"
#include "app/recentlist.h"
#include "app/shellsettings.h"
#include "jobs/infoboxdialog.h"
#include "jobs/rawnamealiases.h"
#include "encoding/advancedmonitorwidget.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

namespace {

// The available area of the screen that holds the point, else of the primary screen.
QRect availableAreaAt(const QPoint &point)
{
    QScreen *screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// Moves and sizes a window from a stored place, when the place still lies on a screen.
void restorePlace(QWidget *window, QSettings &settings)
{
    if (settings.contains(QStringLiteral("position"))) {
        const QPoint position = settings.value(QStringLiteral("position")).toPoint();
        if (ShellSettings::placeOnScreen(position, availableAreaAt(position)))
            window->move(position);
    }
    if (settings.contains(QStringLiteral("size"))) {
        const QSize size = settings.value(QStringLiteral("size")).toSize();
        if (size.isValid())
            window->resize(ShellSettings::fitToScreen(size, availableAreaAt(window->pos())));
    }
}
} // namespace

QString MainWindow::desktopFolder()
{
    for (auto location : {QStandardPaths::MoviesLocation, QStandardPaths::DocumentsLocation}) {
        const QString folder = QStandardPaths::writableLocation(location);
        if (!folder.isEmpty() && QDir(folder).exists())
            return folder;
    }
    return QDir::homePath();
}

void MainWindow::setDefaultEnginePaths()
{
    for (int engine = 0; engine < EnginePaths::EngineCount; ++engine)
        m_paths[engine] = EnginePaths::defaultPath(EnginePaths::Engine(engine));
}

void MainWindow::readWindowSettings()
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("Main Window"));
    restorePlace(this, settings);
    settings.endGroup();
}

void MainWindow::readOptionSettings()
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("Options"));
    m_consoleButton = ShellSettings::boolValue(settings.value(QStringLiteral("console button")), false);
    m_verbosity = ShellSettings::boundedInt(settings.value(QStringLiteral("verbosity"), 1), 1,
                                            ShellSettings::MinimumVerbosity,
                                            ShellSettings::MaximumVerbosity);
    settings.endGroup();
}

void MainWindow::readInputOutputSettings()
{
    QSettings settings;
    m_dvdPath = settings.value(QStringLiteral("Input/DVD")).toString();
    m_filePath = settings.value(QStringLiteral("Input/file")).toString();
    static_assert(RecentCount == RecentList::MaximumEntries, "the File menu shows the whole list");
    m_recent = RecentList::kept(settings.value(QStringLiteral("Input/recent")).toStringList());
    m_targetFolder = settings.value(QStringLiteral("Output/target folder"), desktopFolder()).toString();
    if (m_targetFolder.isEmpty())
        m_targetFolder = desktopFolder();
    m_targetName = ShellSettings::cleanOutputName(
        settings.value(QStringLiteral("Output/target name"), QStringLiteral("output")).toString());
}

void MainWindow::readPreferenceSettings()
{
    QSettings settings;
    ShellSettings::readPreferences(settings, m_preferences);
}

void MainWindow::readMonitorSettings()
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("Advanced Monitor"));
    qCDebug(lcApp) << "Advanced Monitor: position =" << settings.value(QStringLiteral("position"));
    qCDebug(lcApp) << "Advanced Monitor: size =" << settings.value(QStringLiteral("size"));
    restorePlace(m_monitor, settings);
    if (settings.contains(QStringLiteral("hidden")))
        m_monitor->setVisible(!ShellSettings::boolValue(settings.value(QStringLiteral("hidden")), true));
    settings.endGroup();
}

bool MainWindow::saveSettings()
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("Main Window"));
    settings.setValue(QStringLiteral("position"), pos());
    settings.setValue(QStringLiteral("size"), size());
    settings.endGroup();
    settings.setValue(QStringLiteral("Input/DVD"), m_dvdPath);
    settings.setValue(QStringLiteral("Input/file"), m_filePath);
    // An alias lasts as long as this run: at the next one its entry would name nothing.
    QStringList recent = m_recent;
    recent.erase(std::remove_if(recent.begin(), recent.end(),
                                [](const QString &entry) {
                                    return RawNameAliases::isAlias(RecentList::parse(entry).path);
                                }),
                 recent.end());
    settings.setValue(QStringLiteral("Input/recent"), recent);
    settings.setValue(QStringLiteral("Output/target folder"), m_targetFolder);
    settings.setValue(QStringLiteral("Output/target name"), m_targetName);
    settings.beginGroup(QStringLiteral("Advanced Monitor"));
    settings.setValue(QStringLiteral("position"), m_monitor->pos());
    settings.setValue(QStringLiteral("size"), m_monitor->size());
    settings.setValue(QStringLiteral("hidden"), m_monitor->isHidden());
    settings.endGroup();
    settings.beginGroup(QStringLiteral("Options"));
    settings.setValue(QStringLiteral("console button"), m_consoleButton);
    settings.setValue(QStringLiteral("verbosity"), m_verbosity);
    settings.endGroup();
    ShellSettings::writePreferences(settings, m_preferences);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

void MainWindow::tellSettingsNotSaved()
{
    const QString text = tr("The settings could not be saved.");
    const QString detail = tr("The settings file %1 cannot be written: the changes of this session are lost.")
                               .arg(QDir::toNativeSeparators(QSettings().fileName()));
    // On the terminal on every road: nobody is there to answer a box when the system ends
    // the program (a logout).
    qCWarning(lcApp).noquote() << text << detail;
    if (m_closeOnSignal)
        return;
    InfoBoxDialog box(this);
    box.setIcon(QMessageBox::Warning);
    box.setText(text);
    box.setInformativeText(detail);
    box.addButton(QMessageBox::Ok);
    box.exec();
}
