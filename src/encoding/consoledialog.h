#pragma once

#include "jobs/task.h"

#include <QDialog>
#include <QPointer>
#include <QString>

class ConsoleTextFeed;
class DisplayPacer;
class ProgressTotals;
class QHBoxLayout;
class QLabel;
class QProgressBar;
class QTextEdit;

// The console window of one engine task: its command line, both output channels, a state
// line and a progress bar. It turns the raw progress values parsed from the engine's output
// into a percentage (written back to the caller) and passes them on to the task's mini
// console. It starts and reads nothing itself: the owners of the job managers feed it.
class ConsoleDialog : public QDialog
{
    Q_OBJECT

public:
    ConsoleDialog(const QString &title, const QString &text, const QString &command,
                  const QString &engineName, int pid, bool informationChannel);

    void setProcess(Task *task);
    Task *task() const { return m_task; }

    void updateProgress(int &frame, double &position, int &percent, int &size);
    void appendStdOut(const QString &text);
    void appendStdErr(const QString &text);
    // Inserts the text still waiting for the next repaint into both views.
    void flushOutput();

    QString title() const { return m_title; }
    QString text() const { return m_text; }
    QString engineName() const { return m_engineName; }
    QString command() const { return m_command; }
    int pid() const { return m_pid; }

    QTextEdit *standardOutputView() const { return m_stdOutView; }
    QTextEdit *errorView() const { return m_stdErrView; }
    QLabel *stateLabel() const { return m_stateLabel; }
    QProgressBar *progressBar() const { return m_progressBar; }

    // The totals against which progress is measured; 0 is unknown.
    double durationTotal = 0.0;
    int frameTotal = 0;
    int sizeTotal = 0;

public slots:
    void changeStateDisplay();
    void displayProgress();
    void reject() override;

signals:
    void progressUpdated(int frame, double position, int percent, int size);
    void progressUpdated();
    void timeUpdated(const QString &time);

protected:
    // The extended console adds its labels to this row, after the progress bar.
    QHBoxLayout *statusLayout() const { return m_statusLayout; }
    // Progress figures reach the widgets through it, at a display rate.
    DisplayPacer *pacer() const { return m_pacer; }
    // The totals the console measures progress against.
    ProgressTotals totals() const;
    // The percent completed by the console's totals; false when no rule applied.
    bool completePercent(int frame, double position, int &percent, int size) const;
    // The bar takes a known percent; a task that ended well stays at 100.
    void showPercent(int percent);
    bool endedWell() const;

private:
    void buildWindow(bool informationChannel);
    // Once the task has failed, says why below the engine's own output (once).
    void showFailure();

    QString m_title;
    QString m_text;
    QString m_engineName;
    QString m_command;
    int m_pid;
    QPointer<Task> m_task;
    bool m_failureShown = false;
    // The process whose running state the tip shows (0: none): built once, not per status line.
    qint64 m_runningPidShown = 0;

    QWidget *m_statusRow = nullptr;
    QHBoxLayout *m_statusLayout = nullptr;
    QLabel *m_commandLabel = nullptr;
    QTextEdit *m_stdOutView = nullptr;
    QTextEdit *m_stdErrView = nullptr;
    QLabel *m_stateLabel = nullptr;
    QProgressBar *m_progressBar = nullptr;
    ConsoleTextFeed *m_stdOutFeed = nullptr;
    ConsoleTextFeed *m_stdErrFeed = nullptr;
    DisplayPacer *m_pacer = nullptr;
};
