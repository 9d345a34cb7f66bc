#pragma once

#include <QString>
#include <QUrl>

class QWidget;

// The Help menu's About and Credits boxes and its on-line help and FAQ pages. The main
// window's about(), credits(), onlineHelp() and onlineFaq() slots call these.
class HelpBoxes
{
public:
    static void about(QWidget *parent);
    static void credits(QWidget *parent);
    // Open the pages in the desktop's browser: false when the desktop could not.
    static bool onlineHelp();
    static bool onlineFaq();
    static QUrl onlineHelpPage();
    static QUrl onlineFaqPage();

    // The boxes' rich texts.
    static QString aboutTitle();
    static QString aboutText();
    static QString creditsText();
    // "Linux" and the like: the platform the About box names.
    static QString platformName();
};
