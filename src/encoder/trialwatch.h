#pragma once

#include <QObject>
#include <QString>

// The trial of a command, which the window waits for while it answers (its wait handles the
// window's events). While a trial runs, the user's clicks and keys are refused: a command
// started meanwhile would run its own trial inside this one, a source opened meanwhile would
// change what this one tries. The cursor shows that the program is busy and the windows are
// told (started, refused, ended) so that they say what runs and why nothing else does;
// Escape, or a window's close, cancels it.
class TrialWatch : public QObject
{
    Q_OBJECT

public:
    static TrialWatch *instance();

    // A trial of the named engine runs while a scope lives; scopes may nest (a step of a
    // road inside its trial), the outermost one opening and closing the watch.
    class Scope
    {
    public:
        explicit Scope(const QString &engineName);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;
    };

    bool isRunning() const { return m_depth > 0; }
    // Asks the running trial to stop; nothing when none runs.
    void cancel();
    // The flag the trial's run watches (SyncRunner::Timeouts::stop).
    const bool *cancelFlag() const { return &m_cancelled; }

signals:
    // What the windows show while the trial runs, and when a click or a key was refused.
    void started(const QString &text);
    void refused(const QString &text);
    void ended();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TrialWatch() = default;
    void open(const QString &engineName);
    void close();
    // Tells the windows that a click or a key was refused, with a beep.
    void refuse();

    int m_depth = 0;
    bool m_cancelled = false;
    QString m_engineName;
};
