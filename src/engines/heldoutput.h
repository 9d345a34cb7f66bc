#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <thread>

// The answer of an engine told to write it to a named pipe instead of its standard output.
// An engine opens its output before it reads its input, and opening a pipe waits for a
// reader: an engine started early loads its libraries, then waits there, without having
// touched its input, until open() is called. Its analysis then reads the input as it is at
// that moment (a file another engine has just finished writing), and the engine's own start
// has already been paid for.
//
// The pipe is read on a thread of its own, so that an engine writing more than a pipe holds
// never waits for its caller to wait for it.
class HeldOutput
{
public:
    HeldOutput();
    ~HeldOutput();
    HeldOutput(const HeldOutput &) = delete;
    HeldOutput &operator=(const HeldOutput &) = delete;

    // False when no pipe could be made: the engine then has to be run the plain way.
    bool isValid() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }

    // Lets the engine go on: it may now open the pipe and write. What it writes past `limit`
    // bytes is counted, not kept, and the pipe is then closed, which stops the engine.
    void open(qint64 limit);
    // After the engine has ended: reads what is left and stops reading.
    void finish();

    // Whether the engine opened the pipe at all: an engine that ended without opening it did
    // not know the option, or failed before it came to its output.
    bool connected() const { return m_connected; }
    const QByteArray &bytes() const { return m_bytes; }
    qint64 droppedBytes() const { return m_dropped; }

private:
    void read(int fd, qint64 limit);

    QTemporaryDir m_folder;
    QString m_path;
    std::thread m_reader;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_connected{false};
    QByteArray m_bytes;
    qint64 m_dropped = 0;
};
