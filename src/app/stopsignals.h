#pragma once

#include <QObject>

class QSocketNotifier;

// The signals that ask the program to end (SIGTERM from "kill PID" or a session's end,
// SIGHUP from a closing terminal or a logout, SIGINT and SIGQUIT from Ctrl+C and Ctrl+\ in
// the terminal that started it), turned into a Qt signal of the event loop, so
// that the program ends by its closing road instead of being cut off in the middle of a
// job. While an object lives, those signals no longer end the program by themselves; the
// previous handling comes back with its end. One object at a time.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    // A reader of the program's output that goes away (a launcher's log closed, "vexo | head")
    // ends nothing: SIGPIPE would cut the program off in the middle of a job, outside its
    // closing road, and a write to the terminal that fails is only lost. For the whole run,
    // from the start of main() and again by each object.
    static void outliveReaders();

signals:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};
