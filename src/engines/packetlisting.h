#pragma once

#include "engines/packetlines.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

class QProcess;

// FFprobe listing a file's packets (FFprobe::startPacketListing()), read while FFprobe reads
// the file: each piece of its answer is parsed as it arrives, so that the listing of a long
// film never holds the window's events at once, and whoever needs it waits only for the rest.
class PacketListing : public QObject
{
    Q_OBJECT

public:
    // Starts FFprobe now; a non-empty library path is set as LD_LIBRARY_PATH.
    PacketListing(const QString &program, const QStringList &arguments, const QString &libraryPath,
                  QObject *parent = nullptr);
    // Ends FFprobe when it still runs.
    ~PacketListing() override;

    // Waits for FFprobe's end as long as it prints, or works (WorkWatch: uses the processor,
    // reads the file), within every quietMs: on a busy machine its next block of lines may
    // take longer than that, and only an FFprobe that does nothing for a whole wait is stuck.
    // Handles the window's events inside a SyncRunner::LoadScope, as the engines' other waits
    // do. True when it listed the whole file: it ended with code 0 and printed no more than a
    // listing may. An FFprobe given up is ended.
    bool waitForEnd(int quietMs);
    // The same wait, ended early (true) once `enough` says the packets listed so far are.
    bool waitFor(const std::function<bool(const QList<FFprobePacket> &)> &enough, int quietMs);
    // FFprobe has ended and all it printed is read.
    bool ended() const { return m_ended; }
    // It has ended, and listed the whole file.
    bool listedWhole() const { return m_ended && finishedWell(); }
    // The listing was cut short by what may pass: FFprobe was given up for doing nothing for
    // a whole wait (a busy machine, a cold disk), or ended by a signal from outside. A run of
    // it again may list the file.
    bool cutShort() const;
    // Starts FFprobe again with the same command, what the last run listed forgotten.
    void startAgain();
    // Why the listing did not list the whole file, in words for the user ("did not answer in
    // time", "exited with code 1"); empty when it did, or runs still.
    QString failure() const;
    const QList<FFprobePacket> &packets() const { return m_lines.packets(); }
    // Lines FFprobe printed that hold no packet with a time.
    qsizetype unreadLines() const { return m_lines.unreadLines(); }

signals:
    // FFprobe has ended (by itself, or stopped) and all it printed is read.
    void listingEnded();

private:
    void start();
    void stop();
    void readOutput();
    // Reads what is left once FFprobe has ended; true when it listed the whole file.
    bool finish();
    bool finishedWell() const;

    QString m_program;
    QStringList m_arguments;
    QString m_libraryPath;
    QProcess *m_process = nullptr;
    PacketLines m_lines;
    qint64 m_bytes = 0;
    bool m_cut = false; // FFprobe printed more than a listing may, and was stopped
    bool m_givenUp = false; // FFprobe did nothing for a whole wait, and was stopped
    bool m_ended = false;
};
