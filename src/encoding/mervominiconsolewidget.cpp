#include "encoding/mervominiconsolewidget.h"

#include "encoding/displaypacer.h"
#include "encoding/mervoconsoledialog.h"
#include "encoding/progresstotals.h"
#include "encoding/viewtext.h"
#include "jobs/task.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

MervoMiniConsoleWidget::MervoMiniConsoleWidget(MervoConsoleDialog *console, QWidget *parent)
    : MiniConsoleWidget(console, parent)
{
    m_remainingLabel = ViewText::figureLabel(this, 8, tr("Remaining time"));
    m_speedLabel = ViewText::figureLabel(this, 14, tr("Encoding speed"));
    // State button, text, bar, time left, speed, console button.
    rowLayout()->removeWidget(consoleButton());
    rowLayout()->addWidget(m_remainingLabel);
    rowLayout()->addWidget(m_speedLabel);
    rowLayout()->addWidget(consoleButton());

    disconnect(console, qOverload<int, double, int, int>(&ConsoleDialog::progressUpdated), nullptr,
               nullptr);
    connect(console,
            qOverload<int, double, int, int, double, double, int>(&MervoConsoleDialog::progressUpdated),
            this,
            qOverload<int, double, int, int, double, double, int>(&MervoMiniConsoleWidget::displayProgress));
    connect(console, &ConsoleDialog::timeUpdated, this, &MervoMiniConsoleWidget::displayElapsedTime);
}

void MervoMiniConsoleWidget::setLabelWidth(int characters)
{
    label()->setMinimumWidth(label()->fontMetrics().averageCharWidth() * (characters + 2));
}

void MervoMiniConsoleWidget::clickProcess()
{
    const ClickRequest request = clickRequest();
    if (request == ClickRequest::Abort)
        emit requestToAbort(this);
    else if (request == ClickRequest::Remove)
        emit requestToRemove(this);
}

void MervoMiniConsoleWidget::displayProgress(int frame, double position, int percent,
                                             int remaining, double fps, double elapsed, int size)
{
    showState();
    // The figures of a failed task stay as its end left them.
    if (hasEnded() && !endedWell())
        return;
    // The texts are made when shown, as the console's.
    if (ProgressTotals::hasSpeed(frame, size, fps))
        pacer()->setFigure(m_speedLabel, [fps] { return ProgressTotals::fpsText(fps); });
    const int completed = showPercent(frame, position, percent, size);
    const ProgressTotals::TimeLeft left = ProgressTotals::completeTimeLeft(frame, completed, elapsed, remaining);
    pacer()->setFigure(m_remainingLabel, [left] { return left.text(); });
}

void MervoMiniConsoleWidget::displayElapsedTime(const QString &time)
{
    if (time.isEmpty())
        return;
    // Through the pacer: a time left still waiting must not replace it later.
    pacer()->setText(m_remainingLabel, time);
    pacer()->flush();
    m_remainingLabel->setToolTip(tr("Processing time"));
}

void MervoMiniConsoleWidget::showFailure(const QString &text)
{
    MiniConsoleWidget::showFailure(text);
    // No time is left and no speed reached a result; the processing time may still come.
    ViewText::setText(m_remainingLabel, QStringLiteral("--"));
    ViewText::setText(m_speedLabel, QStringLiteral("--"));
}
