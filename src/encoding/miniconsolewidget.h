#pragma once

#include "jobs/task.h"

#include <QPointer>
#include <QWidget>

class ConsoleDialog;
class DisplayPacer;
class QHBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;

// The one-line strip that stands for one engine task in a job view: a state button (its
// icon shows the state; a click asks the view to abort or remove the task), the task's
// display text, a progress bar and a button that shows or hides the task's console. It
// owns its console and learns of progress and state only through the console's signals.
class MiniConsoleWidget : public QWidget
{
    Q_OBJECT

public:
    MiniConsoleWidget(ConsoleDialog *console, QWidget *parent);
    ~MiniConsoleWidget() override;

    void setProcessButtonHidden(bool hidden);
    void setConsoleButtonHidden(bool hidden);

    ConsoleDialog *console() const { return m_console; }
    Task *task() const { return m_task; }
    QPushButton *processButton() const { return m_processButton; }
    QPushButton *consoleButton() const { return m_consoleButton; }
    QLabel *label() const { return m_label; }
    QProgressBar *progressBar() const { return m_progressBar; }

    // The totals against which progress is measured, set by the job view as the console's.
    double durationTotal = 0.0;
    int frameTotal = 0;
    int sizeTotal = 0;

public slots:
    void showConsole(bool);
    // Virtual: the extended strip asks its view with its own signals.
    virtual void clickProcess();
    void displayProgress();
    void displayProgress(int frame, double position, int percent, int size);

signals:
    void requestToAbort(MiniConsoleWidget *mini);
    void requestToRemove(MiniConsoleWidget *mini);

protected:
    // What a click on the state button asks for: nothing while the task waits, to abort it
    // while it runs, to remove it once it has ended.
    enum class ClickRequest { None, Abort, Remove };
    ClickRequest clickRequest() const;
    // The bar's value: the percent completed against the strip's totals on a local copy.
    // Returns that percent (the one received when no rule applied).
    int showPercent(int frame, double position, int percent, int size);
    QHBoxLayout *rowLayout() const { return m_rowLayout; }
    // Ended with exit code 0 (terminated or completed).
    bool endedWell() const;
    // Ended in any way: its figures are final.
    bool hasEnded() const;
    // Shows that the task ended without its result: the bar says so (text) instead of how
    // far it got. The extended strip also drops its figures.
    virtual void showFailure(const QString &text);
    // Progress figures reach the widgets through it, at a display rate.
    DisplayPacer *pacer() const { return m_pacer; }
    // The state display alone; the figures still waiting stay paced.
    void showState();
    bool processButtonHidden() const { return m_processButtonHidden; }

private:
    QPointer<Task> m_task;
    ConsoleDialog *m_console;
    QWidget *m_row;
    QHBoxLayout *m_rowLayout;
    QPushButton *m_consoleButton;
    QPushButton *m_processButton;
    bool m_processButtonHidden = false;
    int m_shownState = -1;
    QLabel *m_label;
    QProgressBar *m_progressBar;
    DisplayPacer *m_pacer;
};
