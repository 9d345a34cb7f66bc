#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

class Console;
class FFmpeg;
class FFprobe;
class MervoMEncoder;
class MervoMainWindow;
class QWidget;

// One run of the program after the application object exists: the engine objects, the
// window, the event loop, the engine paths written back, and a new pass when the loop ends
// with the restart code ("Clear all settings").
class ApplicationShell
{
    Q_DECLARE_TR_FUNCTIONS(ApplicationShell)

public:
    ApplicationShell();
    ~ApplicationShell();

    // Called with each window after initialize() and show(), before its event loop runs.
    std::function<void(MervoMainWindow *)> onWindowShown;

    // Runs passes until an event loop ends with another code than the restart code.
    int run();

    void initEngines();
    void saveEnginePaths();
    int passes() const { return m_passes; }

private:
    // Before anything is read: a settings file that is not a regular file (a named pipe, a
    // link to a device) is neither read nor written; the run keeps its settings in a
    // private folder that goes with it, and starts from the defaults.
    bool setAsideIrregularSettings();
    void restoreSettingsFolders();
    // Before anything is read: a settings file that cannot be read (a folder, a file its user
    // may not read) is told; the store starts from the defaults and its saves fail.
    bool tellUnreadableSettings();
    // Before anything is saved: a settings file that does not read back whole is copied
    // beside itself.
    void keepDamagedSettings();
    // Before anything is read: the store's files of the user's scope are read and written
    // through private copies when the program's own is shared (ShellSettings::isShared): its
    // saves replace the file they write, which the file's other names would not see. Once
    // each pass has saved, writeSettingsThrough() writes what changed into the files
    // themselves.
    void keepSharedSettingsAside();
    void writeSettingsThrough();
    // Either of them is told to the user once, over the first window.
    void tellSettingsNotice(QWidget *window);

    // The engine objects of one pass; an earlier pass's objects stay alive (its window is
    // deleted only once the next loop runs) but the globals no longer point at them.
    struct Engines
    {
        std::unique_ptr<Console> console;
        std::unique_ptr<FFmpeg> ffmpeg;
        std::unique_ptr<FFprobe> ffprobe;
        std::unique_ptr<MervoMEncoder> mencoder;
    };
    std::vector<Engines> m_engines;
    int m_passes = 0;
    QString m_noticeText;
    QString m_noticeDetail;
    // The run's own settings folder, and the store's folders of each scope to come back to.
    std::unique_ptr<QTemporaryDir> m_asideSettings;
    QStringList m_settingsFolders;
    // A private copy of a shared store's file, the file itself, and the copy's text as last
    // written through.
    struct ThroughFile
    {
        QString copy;
        QString file;
        QByteArray written;
        bool existed;
    };
    QList<ThroughFile> m_throughFiles;
};
