#pragma once

#include "player/playersetup.h"

#include <QDialog>

class MediaInfoData;
class PlayerWidget;

// A dialog holding one player panel that loads a single media file: to play it in a window
// of its own, or, in analysis-only mode and never shown, only to read its media information.
class PlayerDialog : public QDialog
{
    Q_OBJECT

public:
    // An empty title gives "Player". The dialog centres itself on the setup's console window.
    PlayerDialog(const QString &title, const PlayerSetup &setup, QWidget *parent = nullptr);

    // Loads the file and, unless in analysis-only mode, plays it. The window title names
    // the file; after a failed load it is the base title and mediaPath() is empty.
    void loadMedia(const QString &path);
    void setAnalysisOnly(bool on) { analysisOnly = on; }
    MediaInfoData mediaInfoData() const;
    QString path() const { return mediaPath; }
    PlayerWidget *panel() const { return playerWidget; }

protected:
    void centerOnParent();

private:
    PlayerWidget *playerWidget = nullptr;
    QString dialogTitle;
    QString mediaPath;
    bool analysisOnly = false;
    PlayerSetup setup;
};
