#include "encoding/mervoconsoledialog.h"

#include "encoding/displaypacer.h"
#include "encoding/progresstotals.h"
#include "encoding/viewtext.h"

#include <QHBoxLayout>
#include <QLabel>

MervoConsoleDialog::MervoConsoleDialog(const QString &title, const QString &text,
                                       const QString &command, const QString &engineName,
                                       int pid, bool informationChannel)
    : ConsoleDialog(title, text, command, engineName, pid, informationChannel)
{
    m_remainingLabel = ViewText::figureLabel(this, 8, tr("Remaining time"));
    m_speedLabel = ViewText::figureLabel(this, 14, tr("Encoding speed"));
    statusLayout()->addWidget(m_remainingLabel);
    statusLayout()->addWidget(m_speedLabel);
}

void MervoConsoleDialog::updateProgress(int &frame, double &position, int &percent,
                                        int &remaining, double &fps, double &elapsed, int &size)
{
    changeStateDisplay();
    totals().dropImpossible(frame, position, size, remaining);
    // The texts are made when shown: the figures change on every status line.
    if (ProgressTotals::hasSpeed(frame, size, fps))
        pacer()->setFigure(m_speedLabel, [fps] { return ProgressTotals::fpsText(fps); });
    completePercent(frame, position, percent, size);
    showPercent(percent);
    const ProgressTotals::TimeLeft left = ProgressTotals::completeTimeLeft(frame, percent, elapsed, remaining);
    pacer()->setFigure(m_remainingLabel, [left] { return left.text(); });
    emit progressUpdated(frame, position, percent, remaining, fps, elapsed, size);
}

void MervoConsoleDialog::displayElapsedTime(const QString &time)
{
    if (!time.isEmpty()) {
        // Through the pacer: a time left still waiting must not replace it later.
        pacer()->setText(m_remainingLabel, time);
        pacer()->flush();
        m_remainingLabel->setToolTip(tr("Processing time"));
    }
    emit timeUpdated(time);
}
