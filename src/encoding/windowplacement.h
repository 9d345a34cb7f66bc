#pragma once

#include <QMargins>
#include <QRect>

class QWidget;

// Where a window goes on its screen. A window manager adds its frame (title bar, borders)
// only once the window is shown, and a position given before may be taken for the inner
// corner: once the frame is known, a window is moved back within the screen's free area.
class WindowPlacement
{
public:
    // The frame around a shown window; none before the window manager has drawn it.
    static QMargins decorations(const QWidget *window);
    // The free area (without panels and docks) of the window's screen.
    static QRect availableArea(const QWidget *window);
    // Moves the window, frame included, into the free area of its screen, and makes it
    // smaller when it is taller or wider than that area. True when it had to move.
    static bool keepOnScreen(QWidget *window);
};
