#pragma once

#include <QString>
#include <QUrl>

class QWidget;

// The Help menu's About and Credits boxes and its on-line help and FAQ pages. The main
// window's about(), credits(), onlineHelp() and onlineFaq() slots call these.
class HelpBoxes
{
public:
    // The base window's boxes, or the extended window's, which also name x264, MKVmerge
    // and tsMuxer.
    enum class Edition { Base, Extended };

    static void about(QWidget *parent, Edition edition);
    static void credits(QWidget *parent, Edition edition);
    // Open the pages in the desktop's browser: false when the desktop could not.
    static bool onlineHelp();
    static bool onlineFaq();
    static QUrl onlineHelpPage();
    static QUrl onlineFaqPage();

    // The boxes' rich texts.
    static QString aboutTitle();
    static QString aboutText(Edition edition);
    static QString creditsText(Edition edition);
    // "Linux" and the like: the platform the About box names.
    static QString platformName();
};
