#include "encoding/screenkeeper.h"

#include "encoding/windowplacement.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

ScreenKeeper::ScreenKeeper(QWidget *window, std::function<void()> onScreen)
    : QObject(window), m_window(window), m_then(std::move(onScreen))
{
    window->installEventFilter(this);
}

bool ScreenKeeper::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::Show) {
            m_onScreen = false;
            // The native window exists from the show on; its exposure tells the placement.
            if (QWindow *native = m_window->windowHandle())
                native->installEventFilter(this);
        } else if (event->type() == QEvent::Hide) {
            m_onScreen = false;
        }
    } else if (event->type() == QEvent::Expose && !m_onScreen && m_window->windowHandle() == watched
               && m_window->windowHandle()->isExposed()) {
        m_onScreen = true;
        WindowPlacement::keepOnScreen(m_window);
        if (m_then)
            m_then();
    }
    return QObject::eventFilter(watched, event);
}
