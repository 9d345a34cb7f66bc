#pragma once

#include "player/mervoplayerwidget.h"
#include "player/rendererframe.h"

#include <QComboBox>
#include <QPushButton>
#include <QTextEdit>

// The extended panel with its inner members open to the tests, and consoles the tests read.
class PanelProbe : public MervoPlayerWidget
{
public:
    using MervoPlayerWidget::MervoPlayerWidget;

    using PlayerWidget::applyPlaybackAnswer;
    using PlayerWidget::audioCombo;
    using PlayerWidget::audioIndex;
    using PlayerWidget::chapterLabel;
    using PlayerWidget::currentChapter;
    using PlayerWidget::normalSpeed;
    using PlayerWidget::pauseButton;
    using PlayerWidget::paused;
    using PlayerWidget::playButton;
    using PlayerWidget::position;
    using PlayerWidget::selectedTitle;
    using PlayerWidget::subtitleCombo;
    using PlayerWidget::timecodeWidget;
    using PlayerWidget::timeLine;
    using PlayerWidget::titleCombo;
    using PlayerWidget::audioPicture;
    using PlayerWidget::displayFrame;
    using PlayerWidget::mainTitle;
    using PlayerWidget::mediaKind;
    using PlayerWidget::movieInfo;
    using PlayerWidget::player;
    using PlayerWidget::playbackErrors;
    using PlayerWidget::playbackProcess;
    using PlayerWidget::pollTimer;
    using PlayerWidget::preferences;
    using PlayerWidget::progressWidget;
    using PlayerWidget::renderer;
    using PlayerWidget::rendererSize;
    using PlayerWidget::sourceName;
    using PlayerWidget::sourcePath;
    using PlayerWidget::titleCount;
    using PlayerWidget::titles;
    using PlayerWidget::trackGroup;
    using PlayerWidget::videoSize;
};

// The four consoles a panel is given, in the constructor's order.
struct PanelConsoles
{
    QTextEdit stdIn, stdOut, stdErr, log;
};

// Engines found on PATH, as the program finds them when no folder is configured.
inline const QString kMPlayer = QStringLiteral("mplayer");
inline const QString kMediaInfo = QStringLiteral("mediainfo");
inline const QString kFFprobe = QStringLiteral("ffprobe");
inline const QString kMissingEngine = QStringLiteral("/nonexistent/vexo/mplayer");

// A panel's button by its object name.
inline QPushButton *button(QWidget *panel, const char *name)
{
    return panel->findChild<QPushButton *>(QLatin1String(name));
}

// The texts of a panel's list, in order.
inline QStringList comboTexts(QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

// A panel on the real engines with the given consoles (null for none) and preferences.
inline PanelProbe *makePanel(PanelConsoles *consoles, int verbosity = 3,
                             const PlayerPreferences *preferences = nullptr,
                             const QString &mplayer = kMPlayer)
{
    return new PanelProbe(nullptr, mplayer, kMediaInfo, kFFprobe,
                          consoles ? &consoles->stdIn : nullptr,
                          consoles ? &consoles->stdOut : nullptr,
                          consoles ? &consoles->stdErr : nullptr,
                          consoles ? &consoles->log : nullptr, verbosity, preferences);
}
