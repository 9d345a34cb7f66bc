#pragma once

#include <QFrame>

// The frame MPlayer draws into: its native window id goes to "-wid". Qt never paints it
// (no paint engine, empty paint event), so the player's picture is never painted over and
// Qt 6 prints no "paintEngine: Should no longer be called" warnings. What the area shows
// when the player does not draw is the native window's own background, which the X server
// fills: black while idle, none (the player's last picture stays) while a playback runs.
class RendererFrame : public QFrame
{
    Q_OBJECT

public:
    explicit RendererFrame(QWidget *parent = nullptr);

    QPaintEngine *paintEngine() const override;

    // Black when not active; while active the window keeps what the player draws. The
    // window role of the palette follows (transparent or black), as the panel reads it.
    void setActive(bool active);

    // The palette with a solid brush of the colour for the window role in every group.
    static QPalette windowPalette(const QPalette &base, const QColor &colour);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void setNativeBackground(bool active);

    bool m_active = false;
};
