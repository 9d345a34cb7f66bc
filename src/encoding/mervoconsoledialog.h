#pragma once

#include "encoding/consoledialog.h"

class QLabel;

// The console of the extended layer: it also shows the encoding speed and the time left,
// which it completes (the remaining minutes) for the caller and the mini console.
class MervoConsoleDialog : public ConsoleDialog
{
    Q_OBJECT

public:
    MervoConsoleDialog(const QString &title, const QString &text, const QString &command,
                       const QString &engineName, int pid, bool informationChannel);

    using ConsoleDialog::updateProgress;
    void updateProgress(int &frame, double &position, int &percent, int &remaining, double &fps,
                        double &elapsed, int &size);
    void displayElapsedTime(const QString &time);

    QLabel *remainingLabel() const { return m_remainingLabel; }
    QLabel *speedLabel() const { return m_speedLabel; }

    using ConsoleDialog::progressUpdated;

signals:
    void progressUpdated(int frame, double position, int percent, int remaining, double fps,
                         double elapsed, int size);

private:
    QLabel *m_remainingLabel;
    QLabel *m_speedLabel;
};
