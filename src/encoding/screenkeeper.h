#pragma once

#include <QObject>

#include <functional>

class QWidget;

// Keeps a window within its screen each time it comes on screen. A window manager places
// and frames a window only when it maps it, and may take a position given before for the
// inner corner (a window shown again can come back with its title bar above the screen);
// at its first exposure after each show the window is moved back within the free area,
// and the owner then does what needed the frame to be known.
class ScreenKeeper : public QObject
{
    Q_OBJECT

public:
    ScreenKeeper(QWidget *window, std::function<void()> onScreen = {});

    // Shown and placed by the window manager since it was last shown.
    bool isOnScreen() const { return m_onScreen; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    std::function<void()> m_then;
    bool m_onScreen = false;
};
