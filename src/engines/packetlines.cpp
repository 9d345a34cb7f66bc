#include "engines/packetlines.h"

#include <QtNumeric>

void PacketLines::append(QByteArrayView bytes)
{
    const qsizetype searched = m_pending.size(); // holds no line end
    m_pending += bytes;
    qsizetype begin = 0;
    for (qsizetype end = m_pending.indexOf('\n', searched); end >= 0; end = m_pending.indexOf('\n', begin)) {
        read(QByteArrayView(m_pending).sliced(begin, end - begin));
        begin = end + 1;
    }
    m_pending.remove(0, begin);
}

void PacketLines::finish()
{
    read(m_pending);
    m_pending.clear();
}

void PacketLines::read(QByteArrayView line)
{
    FFprobePacket packet;
    if (parseLine(line, packet))
        m_packets.append(packet);
    else if (!line.trimmed().isEmpty())
        ++m_unread;
}

bool PacketLines::parseLine(QByteArrayView line, FFprobePacket &packet)
{
    // Read in place, field by field: a film's listing has hundreds of thousands of lines.
    double pts = qQNaN();
    double dts = qQNaN();
    packet = FFprobePacket();
    for (qsizetype begin = 0; begin < line.size();) {
        qsizetype end = line.indexOf('|', begin);
        if (end < 0)
            end = line.size();
        const QByteArrayView field = line.sliced(begin, end - begin);
        begin = end + 1;
        const qsizetype equal = field.indexOf('=');
        if (equal <= 0)
            continue;
        const QByteArrayView key = field.first(equal);
        const QByteArray value = QByteArray::fromRawData(field.data() + equal + 1, field.size() - equal - 1);
        bool number = false;
        const double seconds = value.toDouble(&number);
        if (key == "pts_time" && number)
            pts = seconds;
        else if (key == "dts_time" && number)
            dts = seconds;
        else if (key == "duration_time" && number && qIsFinite(seconds) && seconds > 0.0)
            packet.duration = seconds;
        else if (key == "flags")
            packet.key = value.startsWith('K');
        else if (key == "pos") {
            bool whole = false;
            const qint64 pos = value.toLongLong(&whole);
            packet.pos = whole && pos >= 0 ? pos : -1; // "N/A" where the demuxer does not tell
        }
    }
    // "nan" and "inf" read as numbers, but place no packet.
    packet.time = qIsFinite(pts) ? pts : dts;
    if (qIsFinite(dts))
        packet.decodeTime = dts;
    return qIsFinite(packet.time);
}
