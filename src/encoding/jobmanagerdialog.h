#pragma once

#include <QDialog>
#include <QPointer>

class JobManagerWidget;
class QVBoxLayout;

// The "Job manager" window of the main window's job manager. Closed with kill-on-close (as
// the main window does when it closes) it kills every process of that manager; closed by the
// user it leaves the jobs running and brings the owner window back.
class JobManagerDialog : public QDialog
{
    Q_OBJECT

public:
    JobManagerDialog(const QString &title, QWidget *owner);

    JobManagerWidget *view() const { return m_view; }
    bool isIdle() const;
    void setVerbosity(int level) { m_verbosity = level; }
    int verbosity() const { return m_verbosity; }
    void centreOnOwner();

    bool killOnClose = false;

public slots:
    void adjustGuiSize();
    void modalConsoleHidden();

signals:
    void hidden();

protected:
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    // The extended dialog puts its own view in place of the base one.
    void replaceView(JobManagerWidget *view);
    QWidget *owner() const { return m_owner; }

private:
    QVBoxLayout *m_layout;
    JobManagerWidget *m_view;
    QPointer<QWidget> m_owner;
    int m_verbosity = 2;
};
