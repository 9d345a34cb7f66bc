#include "engines/packetlines.h"

#include <QtNumeric>

void PacketLines::append(QByteArrayView bytes)
{
    const qsizetype searched = m_pending.size(); // holds no line end
    m_pending += bytes;
    qsizetype begin = 0;
    for (qsizetype end = m_pending.indexOf('\n', searched); end >= 0; end = m_pending.indexOf('\n', begin)) {
        FFprobePacket packet;
        if (parseLine(QByteArrayView(m_pending).sliced(begin, end - begin), packet))
            m_packets.append(packet);
        begin = end + 1;
    }
    m_pending.remove(0, begin);
}

void PacketLines::finish()
{
    FFprobePacket last;
    if (parseLine(m_pending, last))
        m_packets.append(last);
    m_pending.clear();
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
        else if (key == "duration_time" && number && seconds > 0.0)
            packet.duration = seconds;
        else if (key == "flags")
            packet.key = value.startsWith('K');
        else if (key == "pos") {
            bool whole = false;
            const qint64 pos = value.toLongLong(&whole);
            packet.pos = whole && pos >= 0 ? pos : -1; // "N/A" where the demuxer does not tell
        }
    }
    packet.time = qIsNaN(pts) ? dts : pts;
    return !qIsNaN(packet.time);
}
