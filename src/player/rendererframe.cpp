#include "player/rendererframe.h"

#include <QGuiApplication>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

namespace {
constexpr int ClearAgainMs = 300;
}

RendererFrame::RendererFrame(QWidget *parent)
    : QFrame(parent)
{
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_PaintOnScreen);
    // Qt would otherwise open a painter on the frame to fill its background.
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(true);
    winId();
    setActive(false);
}

QPalette RendererFrame::windowPalette(const QPalette &base, const QColor &colour)
{
    QPalette palette = base;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setBrush(group, QPalette::Window, QBrush(colour, Qt::SolidPattern));
    return palette;
}

void RendererFrame::setActive(bool active)
{
    m_active = active;
    setPalette(windowPalette(palette(), active ? QColor(Qt::transparent) : QColor(Qt::black)));
    setNativeBackground(active);
    if (active)
        return;
    // The X server may still draw requests the stopped player sent before it ended (another
    // client's queue, processed in any order with ours): clear once more when they are done.
    QTimer::singleShot(ClearAgainMs, this, [this] {
        if (!m_active)
            setNativeBackground(false);
    });
}

QPaintEngine *RendererFrame::paintEngine() const
{
    return nullptr;
}

void RendererFrame::paintEvent(QPaintEvent *)
{
}

// Only the X11 platform hosts the player; elsewhere (offscreen tests) there is no native
// background to set.
void RendererFrame::setNativeBackground(bool active)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t *connection = x11->connection();
    const auto window = static_cast<xcb_window_t>(winId());
    if (active) {
        const uint32_t none = XCB_BACK_PIXMAP_NONE;
        xcb_change_window_attributes(connection, window, XCB_CW_BACK_PIXMAP, &none);
    } else {
        // Pixel 0 is black in the true-colour visuals the X server gives Qt's windows.
        const uint32_t black = 0;
        xcb_change_window_attributes(connection, window, XCB_CW_BACK_PIXEL, &black);
        xcb_clear_area(connection, 0, window, 0, 0, 0, 0);
    }
    xcb_flush(connection);
}
