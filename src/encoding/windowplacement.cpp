#include "encoding/windowplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

QMargins WindowPlacement::decorations(const QWidget *window)
{
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}

QRect WindowPlacement::availableArea(const QWidget *window)
{
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

bool WindowPlacement::keepOnScreen(QWidget *window)
{
    const QRect area = availableArea(window);
    if (area.isEmpty() || !window->isVisible())
        return false;
    const QMargins frame = decorations(window);
    QRect outer = window->frameGeometry();
    // Too large for the area: the inner size shrinks, never below the window's minimum.
    const int roomWidth = area.width() - frame.left() - frame.right();
    const int roomHeight = area.height() - frame.top() - frame.bottom();
    const QSize inner(std::max(window->minimumWidth(), std::min(window->width(), roomWidth)),
                      std::max(window->minimumHeight(), std::min(window->height(), roomHeight)));
    const bool resized = inner != window->size();
    if (resized) {
        window->resize(inner);
        outer.setSize(inner.grownBy(frame));
    }
    const QPoint at(std::clamp(outer.left(), area.left(), std::max(area.left(), area.right() + 1 - outer.width())),
                    std::clamp(outer.top(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
    if (at == outer.topLeft())
        return resized;
    window->move(at);
    return true;
}
