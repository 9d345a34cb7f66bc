// FFprobe's answer to a load (JSON or sections, with or without packets) as FFprobe::load()
// and loadWithPackets() read it, and the lookups the editors make in what was loaded: the
// format's values, each stream's values, the packets a split reads (readPackets()).

#include "fuzztarget.h"

#include "engines/ffprobe.h"

#include <QHash>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    static FFprobe ffprobe;
    const QString text = FuzzTarget::text(data, size);
    const QString file = QStringLiteral("input.mkv");
    static const QStringList keys{QStringLiteral("duration"), QStringLiteral("start_time"),
                                  QStringLiteral("format_name"), QStringLiteral("codec_type"),
                                  QStringLiteral("DISPOSITION:attached_pic"), QStringLiteral("TAG:language")};
    QList<FFprobePacket> packets;
    qsizetype found = 0;
    for (QList<FFprobePacket> *listed : {static_cast<QList<FFprobePacket> *>(nullptr), &packets}) {
        if (!ffprobe.readLoad(file, text, listed))
            continue;
        found += 1 + ffprobe.streamTexts().size();
        QString value;
        ffprobe.formatValue(value, QStringLiteral("duration"));
        QHash<QString, QString> values;
        QStringList missing;
        ffprobe.formatData(values, keys, &missing);
        // The editors look up the first streams (and ask past the last): a few are enough.
        const int streams = int(qMin<qsizetype>(ffprobe.streamTexts().size(), 8));
        for (int stream = -1; stream <= streams; ++stream)
            ffprobe.streamData(stream, values, keys, &missing);
    }
    found += packets.size() + FFprobe::parsePackets(text).size();
    FuzzTarget::parsed(found);
    return 0;
}
