#pragma once

#include <QDialog>
#include <QPointer>

class JobManagerWidget;
class ScreenKeeper;
class QScrollArea;
class QVBoxLayout;

// The "Job manager" window of the main window's job manager. Closed with kill-on-close (as
// the main window does when it closes) it kills every process of that manager; closed by the
// user (its close box or Escape) it leaves the jobs running and brings the owner window back.
//
// It stays on top of the program's other windows, opens beside its owner within the screen,
// grows with its jobs only as far as the screen allows and scrolls the rest; the user may
// resize it. While a modal box of the program is open it steps down from the top, so that the
// box a window waits on is never hidden under it.
class JobManagerDialog : public QDialog
{
    Q_OBJECT

public:
    JobManagerDialog(const QString &title, QWidget *owner);

    JobManagerWidget *view() const { return m_view; }
    QScrollArea *scrollArea() const { return m_scroll; }
    bool isIdle() const;
    void setVerbosity(int level) { m_verbosity = level; }
    int verbosity() const { return m_verbosity; }
    // Moves the window beside its owner (right, else left, else at the screen's edge below
    // the owner's menu bar) and keeps it within the owner's screen.
    void placeBesideOwner();
    // Whether the window is now kept above the program's other windows.
    bool staysOnTop() const;
    // Closes it with kill-on-close set, as the main window does when it closes: every
    // process of the view's manager is killed and the view cleared, also when the window
    // was closed by the user before (Qt then closes it again without a close event).
    void closeForGood();

    bool killOnClose = false;

public slots:
    // Fits the window to its jobs, at most as tall as the screen leaves room for.
    void adjustGuiSize();
    void modalConsoleHidden();
    // Escape: closed as by its close box, never merely hidden.
    void reject() override;

public:
    void setVisible(bool visible) override;

signals:
    void hidden();

protected:
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The extended dialog puts its own view in place of the base one.
    void replaceView(JobManagerWidget *view);
    // Kills every process of the view's manager and clears the view.
    virtual void killJobs();
    QWidget *owner() const { return m_owner; }

private:
    void adoptView(JobManagerWidget *view);
    // The height the window needs to show every job, and the most the screen leaves below
    // its top edge.
    int contentsHeight() const;
    QMargins expectedDecorations() const;
    QRect screenArea() const;
    int roomBelowTop() const;
    void fitHeight(bool mayShrink);
    // The owner's menu bar on the screen; empty when it has none shown.
    QRect ownerMenus() const;
    bool isOwnerMenuBar(const QObject *object) const;
    // Places the window again when it covers the owner's menu bar (the owner grew or moved
    // under it).
    void keepOffOwnerMenus();
    void setStaysOnTop(bool on);
    void updateStacking();
    // Keeps the newest job's box in view until the user scrolls: the list grows below what
    // the window shows, and a job just queued would stay out of sight.
    void revealJob(QWidget *strip);
    void queueReveal();
    static bool isOtherModal(const QWidget *widget, const QWidget *self);

    QVBoxLayout *m_layout;
    QScrollArea *m_scroll;
    QWidget *m_contents;
    JobManagerWidget *m_view;
    QPointer<QWidget> m_owner;
    int m_verbosity = 2;
    bool m_placed = false;
    bool m_jobsKilled = false;
    ScreenKeeper *m_keeper;
    // Set once the user has sized the window: jobs added later no longer grow it.
    bool m_userSized = false;
    QSize m_requestedSize;
    // The box brought into view once it is laid out, and again while the list settles.
    QPointer<QWidget> m_revealed;
    bool m_revealQueued = false;
};
