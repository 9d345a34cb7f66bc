#pragma once

#include "encoding/monitorchannel.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QTextEdit>
#include <QWidget>

class QVBoxLayout;

// The separate "Advanced Monitor" window: one labelled, read-only copy of each console view
// of the main window, stacked one above the other and kept equal to its source change by
// change.
class AdvancedMonitorWidget : public QWidget
{
    Q_OBJECT

public:
    AdvancedMonitorWidget(QWidget *reference, QWidget *parent);

    void addMonitor(const QString &label, QTextEdit *source);
    void showChannel(QTextEdit *source);
    void hideChannel(QTextEdit *source);
    void setLineWrap(QTextEdit *source, QTextEdit::LineWrapMode mode);
    void clearAll();
    void resetGeometry(QWidget *reference);

    const QList<MonitorChannel> &channels() const { return m_channels; }

    // Where the monitor goes beside a reference window at `position` of width `width` on a
    // screen whose available area is `available`: right of it with a gap of 20 pixels when
    // that fits, else left of it (not closer than 10 pixels to the screen's left edge).
    static QPoint placement(const QPoint &position, int width, const QRect &available,
                            int monitorWidth);

    static constexpr int Width = 480;

signals:
    void hidden();
    void visible();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private slots:
    void updateLog();

private:
    // Applies one change of a source to its mirror.
    static void mirrorChange(const MonitorChannel &channel, int position, int removed, int added);
    MonitorChannel *findChannel(const QTextEdit *source);
    bool anyMirrorVisible() const;

    QList<MonitorChannel> m_channels;
    QVBoxLayout *m_layout = nullptr;
};
