#pragma once

#include "jobs/jobmanager.h"
#include "jobs/task.h"

#include <QList>
#include <QPointer>
#include <QSet>
#include <QWidget>

class ConsoleDialog;
class MiniConsoleWidget;
class QGroupBox;
class QLabel;
class QLayout;
class QVBoxLayout;

// The view of one job manager: a mini console (with its console window) for every task whose
// process has started, in a box per task, and the user's requests to abort a running task or
// remove an ended one. Removing never touches the task, its job or its output file.
class JobManagerWidget : public QWidget
{
    Q_OBJECT

public:
    explicit JobManagerWidget(QWidget *parent);
    ~JobManagerWidget() override;

    void setJobManager(JobManager *manager);
    JobManager *jobManager() const { return m_manager; }
    void addMiniConsole(Task *task);
    // Lets go of every mini console (and its console) and the boxes made for them: the tasks
    // no longer point at them and the view shows none at once; the widgets of a long list are
    // deleted a slice per turn of the event loop, so that the window never stalls.
    virtual void clear();
    // Whether widgets of a clear are still waiting for deletion.
    bool isClearing() const { return !m_doomed.isEmpty(); }
    bool isIdle() const;
    void setConsoleButton(bool hidden);

    QLabel *emptyLabel() const { return m_emptyLabel; }
    QList<MiniConsoleWidget *> miniConsoles() const;

    // Slot [8] of a task's data: the layout that receives its mini console. Held as a guarded
    // pointer, so a layout that was deleted since reads as none.
    static QLayout *consoleLayout(const EncodingTaskData *data);
    static void setConsoleLayout(EncodingTaskData *data, QLayout *layout);

    bool flatList = false;
    bool processButtonHidden = false;
    bool consoleButtonHidden = false;

public slots:
    void abortMiniConsole(MiniConsoleWidget *mini);
    void removeMiniConsole(MiniConsoleWidget *mini, bool force);
    void removeMiniConsole(MiniConsoleWidget *mini);

signals:
    void guiSizeAdjustRequest();
    // A strip was added to the view: the newest job, which its window brings into view.
    void stripShown(MiniConsoleWidget *mini);

protected:
    void deleteRemovedConsoles();
    void rebuild();
    // The manager whose jobs the view lets go of, without a rebuild.
    void attachManager(JobManager *manager) { m_manager = manager; }
    // The job of a strip the view no longer shows is the manager's to free once it ends.
    void releaseJobOf(const MiniConsoleWidget *mini);
    QVBoxLayout *mainLayout() const { return m_layout; }
    // A box of the view, vertical layout of spacing 0 without right and bottom margins.
    QGroupBox *makeBox(const QString &title, const QString &output);
    // Shows a box below the others, after a gap of `spacing` pixels.
    void addBox(QGroupBox *box, int spacing);
    bool isOwnBox(const QWidget *widget) const;
    // Hides a box of the view and takes it out of the layout once it shows no strip.
    void hideEmptyBox(QWidget *box);
    // The console's and the strip's totals, from the task's data.
    static void setTotals(ConsoleDialog *console, MiniConsoleWidget *mini, const Task *task);
    // Puts the strip into the task's target layout, else into `layout` (recorded in the data).
    static void placeMiniConsole(MiniConsoleWidget *mini, Task *task, QLayout *layout);
    void addShown(MiniConsoleWidget *mini);
    // Asks before a running task is aborted; on yes marks its process as aborted by the user.
    bool confirmAbort(Task *task, const QString &informativeText);
    // Asked before a finished job is removed: true to remove.
    bool confirmRemoval(const QString &name);

private:
    // The boxes stand on pages of a few each: a box added or removed lays out its page and
    // the list of pages, not every box of a long queue again.
    static constexpr int PageBoxes = 16;
    // A clear deletes loose strips until this much time has passed, then goes on at the next
    // turn; a page goes alone.
    static constexpr int SliceMs = 8;
    static void takeOutOfLayout(QWidget *widget);
    bool isOnPage(const QWidget *widget) const;
    void deleteDoomedSlice();

    QList<QPointer<Task>> m_tasks;
    QList<QPointer<MiniConsoleWidget>> m_shown;
    QList<QPointer<MiniConsoleWidget>> m_removed;
    QPointer<JobManager> m_manager;
    QLabel *m_emptyLabel;
    QVBoxLayout *m_layout;
    QSet<const QWidget *> m_boxes;
    QList<QPointer<QWidget>> m_pages;
    int m_boxesOnLastPage = 0;
    // What a clear took out of the view, waiting for deletion.
    QList<QPointer<QWidget>> m_doomed;
};
