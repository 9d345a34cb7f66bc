#pragma once

#include "encoding/miniconsolewidget.h"

class MervoConsoleDialog;

// The strip of the extended layer: it adds the time left and the encoding speed, and shows
// the task's processing time once the task has ended.
class MervoMiniConsoleWidget : public MiniConsoleWidget
{
    Q_OBJECT

public:
    MervoMiniConsoleWidget(MervoConsoleDialog *console, QWidget *parent);

    void setLabelWidth(int characters);

    QLabel *remainingLabel() const { return m_remainingLabel; }
    QLabel *speedLabel() const { return m_speedLabel; }

public:
    using MiniConsoleWidget::displayProgress;

public slots:
    // The state button reaches it through the base connection.
    void clickProcess() override;
    void displayProgress(int frame, double position, int percent, int remaining, double fps,
                         double elapsed, int size);
    void displayElapsedTime(const QString &time);

signals:
    void requestToAbort(MervoMiniConsoleWidget *mini);
    void requestToRemove(MervoMiniConsoleWidget *mini);

protected:
    void showFailure(const QString &text) override;

private:
    QLabel *m_remainingLabel;
    QLabel *m_speedLabel;
};
