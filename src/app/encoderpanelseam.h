#pragma once

#include "encoder/records/enginecapabilities.h"
#include "engines/interfacestatus.h"
#include "jobs/encoderpreferences.h"

#include <QString>
#include <QWidget>

class MervoEncoder;
class QGroupBox;
class QTextEdit;

// SEAM — stands where the encoder panel (EncoderWidget / MervoEncoderWidget) goes until that
// panel is part of the build. It is no encoder panel: it offers no target, codec or start
// control and encodes nothing. It carries only what the main window needs of the panel to
// start, check its engines and close:
// - a real extended encoder core (MervoEncoder), so that the paths, versions and readiness
//   of FFmpeg, MEncoder, x264 and MKVmerge that the window shows come from the engines' own
//   status queries, and a path set from the menu resets its engine;
// - the values the window hands to the panel (target, verbosity, console buttons,
//   preferences, save flag), kept so that the panel can take them over unchanged.
// When the panel lands, MervoMainWindow builds a MervoEncoderWidget in this object's place
// with the same calls (see MervoMainWindow::createEncoderPanel) and this class goes.
class EncoderPanelSeam : public QWidget
{
    Q_OBJECT

public:
    EncoderPanelSeam(const QString &ffmpegPath, const QString &mencoderPath,
                     const QString &x264Path, const QString &mkvmergePath, QTextEdit *stdIn,
                     QTextEdit *stdOut, QTextEdit *stdErr, QTextEdit *log, int verbosity,
                     const EncoderPreferences &preferences, QWidget *parent = nullptr);
    ~EncoderPanelSeam() override;

    // Engine types 1 MEncoder, 2 FFmpeg, 3 x264, 4 MKVmerge.
    bool hasEngine(int type) const;
    bool isEngineReady(int type) const;
    void enginesReady(bool &ffmpegReady, bool &mencoderReady) const;
    QString engineBinary(int type) const;
    QString engineVersion(int type) const;
    void setEngineBinPath(int type, const QString &path);
    // Copies of an engine's status and capability records (empty for another type); the
    // capability maps stay owned by the engine.
    InterfaceStatus interfaceStatus(int type) const;
    EngineCapabilities capabilities(int type) const;

    void setTarget(const QString &folder, const QString &baseName);
    QString targetFolder() const { return m_targetFolder; }
    QString targetName() const { return m_targetName; }
    void setVerbosity(int level);
    void setConsoleButton(bool show) { m_consoleButton = show; }
    bool consoleButton() const { return m_consoleButton; }
    void setPreferences(const EncoderPreferences &preferences) { m_preferences = preferences; }
    void setSaveSettingsOnExit(bool save) { m_saveSettingsOnExit = save; }
    bool saveSettingsOnExit() const { return m_saveSettingsOnExit; }
    // The panel's controls (none yet beyond its frame) follow the loaded input.
    void enableControls(bool enable);
    bool isRunningPreview() const { return false; }

private:
    MervoEncoder *m_encoder;
    QGroupBox *m_frame;
    QString m_targetFolder;
    QString m_targetName;
    bool m_consoleButton = false;
    bool m_saveSettingsOnExit = true;
    EncoderPreferences m_preferences;
};
