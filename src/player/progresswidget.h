#pragma once

#include <QWidget>

class QProgressBar;

// The small window with a text and a progress bar that the player panel shows while it
// loads a source or while MPlayer builds its font cache. It opens centred over the owner's
// console window; closing it only hides it and tells the owner, who decides what that
// means. It has no parent: whoever creates it deletes it.
class ProgressWidget : public QWidget
{
    Q_OBJECT

public:
    // The size the window is assumed to have when it is centred over the console; the
    // window itself keeps the size of its layout.
    static constexpr int PlacementWidth = 240;
    static constexpr int PlacementHeight = 120;

    ProgressWidget(const QString &title, const QString &text, int minimum, int maximum,
                   QWidget *consoleWidget);

    // The range is set before the value, so a value inside the new range is always taken.
    void setProgress(int minimum, int maximum, int value);
    // Makes room for count more steps from the current value.
    void extendMaximum(int count);
    void step();
    int value() const;
    // Shows the window and paints it before returning: the loads that follow block the
    // event loop, and a window the server shows only later would stay black until they end.
    void showPainted();

    // Where the window goes over a console with the given geometry.
    static QPoint placementOver(const QPoint &consolePosition, const QSize &consoleSize);

signals:
    void closedByUser();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void placeOverConsole();

    QProgressBar *progressBar;
    QWidget *consoleWidget;
};
