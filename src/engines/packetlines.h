#pragma once

#include "engines/ffprobepacket.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// FFprobe's compact packet listing ("pts_time=1.2|dts_time=1.1|duration_time=0.04|flags=K_|pos=5120"
// a line) read in the pieces it arrives in, each cut anywhere: every line a piece completes is
// read at once, the start of an unfinished one waits for the rest.
class PacketLines
{
public:
    // Reads the lines these bytes complete. Only the new bytes are searched for a line end,
    // so a line of any length that arrives in many pieces is read in time linear in its length.
    void append(QByteArrayView bytes);
    // Reads a last line left without its line end.
    void finish();
    const QList<FFprobePacket> &packets() const { return m_packets; }
    // Lines read that hold no packet with a time (a packet without one, or no packet at all):
    // a listing that has any leaves packets out.
    qsizetype unreadLines() const { return m_unread; }

    // One line of the listing; false when it holds no packet with a time (a finite one).
    static bool parseLine(QByteArrayView line, FFprobePacket &packet);

private:
    void read(QByteArrayView line);

    QByteArray m_pending; // the start of a line whose end has not arrived yet
    qsizetype m_unread = 0;
    QList<FFprobePacket> m_packets;
};
