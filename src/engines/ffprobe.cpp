#include "engines/ffprobe.h"
#include "engines/engineslogging.h"

#include "engines/ffprobereport.h"
#include "engines/fileargument.h"
#include "engines/packetlisting.h"
#include "engines/syncrunner.h"

#include "jobs/console.h"

#include <QDebug>
#include <QRegularExpression>
#include <QScopedValueRollback>

namespace {
QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// One packet from its fields (the first value of each key); false when it has no time.
bool readPacket(FFprobePacket &packet, const QHash<QString, QString> &values)
{
    bool timed = false;
    for (const char *timeKey : {"pts_time", "dts_time"}) {
        if (!timed)
            packet.time = values.value(QLatin1String(timeKey)).toDouble(&timed);
    }
    if (!timed)
        return false;
    bool ok = false;
    packet.duration = values.value(QStringLiteral("duration_time")).toDouble(&ok);
    if (!ok || packet.duration < 0.0)
        packet.duration = 0.0;
    packet.key = values.value(QStringLiteral("flags")).startsWith(QLatin1Char('K'));
    packet.hash = values.value(QStringLiteral("data_hash"));
    packet.stream = values.value(QStringLiteral("stream_index")).toInt(&ok);
    if (!ok)
        packet.stream = -1;
    return true;
}

QStringList packetOptions(const QString &streams, const QString &intervals, bool withHashes)
{
    QStringList options;
    if (!streams.isEmpty())
        options << QStringLiteral("-select_streams") << streams;
    options << QStringLiteral("-read_intervals") << intervals;
    if (withHashes)
        options << QStringLiteral("-show_data_hash") << QStringLiteral("MD5");
    return options;
}

// The packets listed with a load: one list of options, so that a run started ahead is the
// run a load asks for.
QStringList packetListingOptions(const QString &streams, const QString &intervals, bool withHashes)
{
    return packetOptions(streams, intervals, withHashes) << QStringLiteral("-show_packets");
}
} // namespace

FFprobe::FFprobe()
{
    m_name = QStringLiteral("FFprobe");
}

bool FFprobe::startInterface(const QString &executablePath, const QString &libraryPath)
{
    return startFrame(executablePath, libraryPath);
}

IProcessor::QueryOutcome FFprobe::queryEngine(QString &failureText, QString &error)
{
    QString stdOut;
    if (!runQuery({QStringLiteral("-version")}, tr("FFprobe: %1."), stdOut, failureText, error))
        return QueryOutcome::RunFailed;
    return parseSignature(stdOut) ? QueryOutcome::Ready : refuseWithoutBanner();
}

bool FFprobe::parseSignature(const QString &text)
{
    // "ffprobe version 5.1.9-0+deb12u1 Copyright ...": the version follows the word "version".
    static const QRegularExpression banner(QStringLiteral("(FFprobe)\\s+(?:version\\s+)?(\\S+)"),
                                           QRegularExpression::CaseInsensitiveOption);
    return parseSignatureWith(banner, text);
}

void FFprobe::clearLoad()
{
    m_loaded = false;
    m_formatText.clear();
    m_streamTexts.clear();
    m_attachmentStreams.clear();
    m_audioStreams.clear();
    m_dataStreams.clear();
    m_subtitleStreams.clear();
    m_videoStreams.clear();
}

bool FFprobe::load(const QString &filePath)
{
    return loadWith(filePath, {}, nullptr);
}

bool FFprobe::loadWithPackets(const QString &filePath, QList<FFprobePacket> &packets,
                              const QString &streams, const QString &intervals, bool withHashes)
{
    packets.clear();
    return loadWith(filePath, packetListingOptions(streams, intervals, withHashes), &packets);
}

QStringList FFprobe::loadArguments(const QString &filePath, const QStringList &moreOptions, bool withPackets)
{
    // A short analysis leaves the first packets of an MPEG program stream without times (and
    // the whole volume's length shorter): packets are listed after a full one.
    QStringList arguments;
    if (!withPackets)
        arguments << QStringLiteral("-analyzeduration") << QStringLiteral("1000");
    return arguments << QStringLiteral("-show_format") << QStringLiteral("-show_streams") << moreOptions
                     << FFprobeReport::outputOptions() << fileArgument(filePath);
}

QStringList FFprobe::loadWithPacketsArguments(const QString &filePath, const QString &streams,
                                              const QString &intervals, bool withHashes)
{
    return loadArguments(filePath, packetListingOptions(streams, intervals, withHashes), true);
}

void FFprobe::prefetchLoadWithPackets(const QString &filePath, const QString &streams,
                                      const QString &intervals, bool withHashes) const
{
    prefetchRun(loadWithPacketsArguments(filePath, streams, intervals, withHashes));
}

void FFprobe::holdLoadWithPackets(const QString &filePath, const QString &streams,
                                  const QString &intervals, bool withHashes) const
{
    // FFprobe opens its output ("-o") before its input.
    prefetchRun(loadWithPacketsArguments(filePath, streams, intervals, withHashes), QStringLiteral("-o"));
}

void FFprobe::releaseLoadWithPackets(const QString &filePath, const QString &streams,
                                     const QString &intervals, bool withHashes) const
{
    releaseRun(loadWithPacketsArguments(filePath, streams, intervals, withHashes), SyncRunner::ListingLimit);
}

void FFprobe::dropLoadWithPackets(const QString &filePath, const QString &streams,
                                  const QString &intervals, bool withHashes) const
{
    dropRun(loadWithPacketsArguments(filePath, streams, intervals, withHashes));
}

bool FFprobe::loadWith(const QString &filePath, const QStringList &moreOptions,
                       QList<FFprobePacket> *packets)
{
    m_console->log(LogLevel::Verbose, tr("FFprobe: load %1").arg(filePath));
    clearLoad();
    m_filePath = filePath;
    if (m_state != Ready)
        return false;
    qCDebug(lcEngines).noquote() << "FFprobe: load" << quoted(filePath) << quoted(m_executablePath);

    QString stdOut;
    QString stdErr;
    QString error;
    const QStringList arguments = loadArguments(filePath, moreOptions, packets != nullptr);
    const QScopedValueRollback<qint64> limit(m_outputLimit, packets ? SyncRunner::ListingLimit : m_outputLimit);
    bool ran = runProcess(arguments, stdOut, stdErr, error);
    // A run stopped for time (a busy machine, a cold disk) or killed from outside is asked once
    // more, with longer time-outs, before the file is taken for one FFprobe cannot read.
    if (m_lastRunCutShort) {
        m_console->logNormal(tr("FFprobe: the analysis of %1 was cut short; it is asked again with longer "
                                "time-outs.").arg(filePath));
        const QScopedValueRollback<bool> again(m_askingAgain, true);
        ran = runProcess(arguments, stdOut, stdErr, error);
    }
    if (!ran) {
        m_console->log(LogLevel::Quiet,
                       tr("FFprobe: process error loading %1 '%2'").arg(filePath, error));
        qCDebug(lcEngines).noquote() << "FFprobe: run error" << error << quoted(filePath)
                           << quoted(m_executablePath);
        return false;
    }
    // A packet list can be long: then only errors are echoed.
    echoOutput(packets ? QString() : stdOut, stdErr);
    return readLoad(filePath, stdOut, packets);
}

bool FFprobe::readLoad(const QString &filePath, const QString &stdOut, QList<FFprobePacket> *packets)
{
    clearLoad();
    m_filePath = filePath;
    FFprobeReport report;
    if (!report.read(stdOut)) {
        m_console->log(LogLevel::Quiet,
                       tr("FFprobe: parse error loading %1 '%2'")
                           .arg(filePath,
                                tr("can't parse format, input may not be a multimedia file")));
        qCDebug(lcEngines).noquote() << "FFprobe: failed to parse format" << quoted(filePath)
                           << quoted(m_executablePath);
        return false;
    }
    if (packets) {
        for (const FFprobeReport::Block &block : std::as_const(report.packets)) {
            QHash<QString, QString> values;
            for (const FFprobeReport::Field &field : block) {
                if (!values.contains(field.first))
                    values.insert(field.first, field.second);
            }
            FFprobePacket packet;
            if (readPacket(packet, values))
                packets->append(packet);
        }
    }
    m_formatText = FFprobeReport::text(report.format);
    for (const FFprobeReport::Block &stream : std::as_const(report.streams))
        m_streamTexts.append(FFprobeReport::text(stream));

    m_loaded = true;
    if (m_streamTexts.isEmpty()) {
        m_console->log(LogLevel::Normal, tr("FFprobe: no stream found in file %1").arg(filePath));
        qCDebug(lcEngines).noquote() << "FFprobe: failed to parse streams" << quoted(filePath)
                           << quoted(m_executablePath);
    }

    // Each stream goes to the list of its codec_type. The whole word decides: taking only
    // its first letter would file an "attachment" (a font in a Matroska file) as audio.
    struct TypeList
    {
        const char *codecType;
        QList<int> FFprobe::*list;
    };
    static const TypeList typeLists[] = {
        {"attachment", &FFprobe::m_attachmentStreams}, {"audio", &FFprobe::m_audioStreams},
        {"data", &FFprobe::m_dataStreams},             {"subtitle", &FFprobe::m_subtitleStreams},
        {"video", &FFprobe::m_videoStreams},
    };
    for (const FFprobeReport::Block &stream : std::as_const(report.streams)) {
        QString index;
        QString type;
        for (const FFprobeReport::Field &field : stream) {
            if (field.first == QLatin1String("index") && index.isEmpty())
                index = field.second;
            else if (field.first == QLatin1String("codec_type") && type.isEmpty())
                type = field.second;
        }
        bool numbered = false;
        const int number = index.toInt(&numbered);
        const TypeList *typeList = nullptr;
        for (const TypeList &candidate : typeLists) {
            if (numbered && type == QLatin1String(candidate.codecType))
                typeList = &candidate;
        }
        if (typeList) {
            (this->*typeList->list).append(number);
            continue;
        }
        if (numbered)
            m_console->log(LogLevel::Verbose,
                           tr("FFprobe: undefined stream #%1 of %2").arg(index, filePath));
        else
            m_console->log(LogLevel::Verbose, tr("FFprobe: undefined stream in %2").arg(filePath));
        qCDebug(lcEngines).noquote() << "FFprobe: undefined stream" << index << type
                                     << quoted(filePath) << quoted(m_executablePath);
    }
    qCDebug(lcEngines).noquote() << "FFprobe: load complete" << quoted(filePath) << quoted(m_executablePath);
    return true;
}

bool FFprobe::findValue(const QString &key, const QString &text, QString *value)
{
    // One "key=value" line per field (values escaped, see FFprobeReport::text), whatever the
    // line end. The first line of the key counts, whatever its case; only the whole key: a
    // tag such as "TAG:duration" must never stand in for a field.
    static const QRegularExpression keyValueLine(QStringLiteral("^([^=\\r\\n]*)=([^\\r\\n]+)"),
                                                 QRegularExpression::MultilineOption);
    QRegularExpressionMatchIterator lines = keyValueLine.globalMatch(text);
    while (lines.hasNext()) {
        const QRegularExpressionMatch line = lines.next();
        if (line.captured(1).compare(key, Qt::CaseInsensitive) != 0)
            continue;
        *value = FFprobeReport::unescape(line.captured(2).trimmed());
        return true;
    }
    return false;
}

QString FFprobe::parseValue(const QString &key, const QString &text, bool *ok)
{
    QString value;
    const bool found = findValue(key, text, &value);
    if (ok)
        *ok = found;
    if (found) {
        qCDebug(lcEngines).noquote() << "FFprobe: parse success" << key << value << quoted(m_filePath);
        return value;
    }
    m_console->log(LogLevel::Verbose, tr("FFprobe: failed to parse '%1' of %2").arg(key, m_filePath));
    qCDebug(lcEngines).noquote() << "FFprobe: failed to parse" << key << quoted(m_filePath)
                       << quoted(m_executablePath);
    return QString();
}

bool FFprobe::formatValue(QString &value, const QString &key)
{
    if (m_filePath.isEmpty()) {
        m_console->log(LogLevel::Verbose, tr("FFprobe: no file loaded"));
        qCDebug(lcEngines).noquote() << "FFprobe: no file loaded" << quoted(m_executablePath);
        value.clear();
        return false;
    }
    if (!m_loaded) {
        m_console->log(LogLevel::Verbose, tr("FFprobe: data not ready for file %1").arg(m_filePath));
        qCDebug(lcEngines).noquote() << "FFprobe: format data not ready for" << quoted(m_filePath)
                           << quoted(m_executablePath);
        value.clear();
        return false;
    }
    bool found = false;
    const QString result = parseValue(key, m_formatText, &found);
    if (!found) {
        value.clear();
        m_console->log(LogLevel::Verbose,
                       tr("FFprobe: '%1' not found for file %2").arg(key, m_filePath));
        qCDebug(lcEngines).noquote() << "FFprobe: format data not found" << key << quoted(m_filePath)
                           << quoted(m_executablePath);
        return false;
    }
    value = result;
    m_console->log(LogLevel::Verbose,
                   tr("FFprobe: '%1' is '%2' for file %3").arg(key, value, m_filePath));
    qCDebug(lcEngines).noquote() << "FFprobe: format data" << key << value << quoted(m_filePath)
                       << quoted(m_executablePath);
    return true;
}

bool FFprobe::dataReady(QHash<QString, QString> &data, const QStringList &keys,
                        QStringList *missing)
{
    data.clear();
    if (m_filePath.isEmpty()) {
        m_console->log(LogLevel::Verbose, tr("FFprobe: no file loaded"));
        qCDebug(lcEngines).noquote() << "FFprobe: no file loaded" << quoted(m_executablePath);
    } else if (!m_loaded) {
        m_console->log(LogLevel::Verbose, tr("FFprobe: data not ready for file %1").arg(m_filePath));
        qCDebug(lcEngines).noquote() << "FFprobe: data not ready for" << quoted(m_filePath)
                           << quoted(m_executablePath);
    } else {
        return true;
    }
    if (missing)
        *missing = keys;
    return false;
}

int FFprobe::lookUp(const QString &text, QHash<QString, QString> &data, const QStringList &keys,
                    QStringList *missing)
{
    if (missing)
        missing->clear();
    // A key asked for among others may be one this FFprobe no longer prints (FFprobe 5
    // dropped "codec_time_base"): the caller is told through the missing list, and no
    // failure is logged for it.
    for (const QString &key : keys) {
        QString value;
        if (findValue(key, text, &value)) {
            data.insert(key, value);
            continue;
        }
        qCDebug(lcEngines).noquote() << "FFprobe: no value for" << key << quoted(m_filePath);
        if (missing)
            missing->append(key);
    }
    return int(data.size());
}

int FFprobe::formatData(QHash<QString, QString> &data, const QStringList &keys,
                        QStringList *missing)
{
    if (!dataReady(data, keys, missing))
        return 0;
    return lookUp(m_formatText, data, keys, missing);
}

int FFprobe::streamData(int stream, QHash<QString, QString> &data, const QStringList &keys,
                        QStringList *missing)
{
    if (!dataReady(data, keys, missing))
        return 0;
    if (stream < 0 || stream >= m_streamTexts.size()) {
        m_console->log(LogLevel::Verbose, tr("FFprobe: no data ready for stream #%1 in file %2")
                                              .arg(stream)
                                              .arg(m_filePath));
        qCDebug(lcEngines).noquote() << "FFprobe: no data ready for stream" << stream << quoted(m_filePath)
                           << quoted(m_executablePath);
        if (missing)
            *missing = keys;
        return 0;
    }
    return lookUp(m_streamTexts.at(stream), data, keys, missing);
}

double FFprobe::toNumber(const QString &value)
{
    if (value == QLatin1String("N/A"))
        return 0.0;
    if (value.contains(QLatin1Char('.'))) {
        bool ok = false;
        const double number = value.toDouble(&ok);
        return ok ? number : 0.0;
    }
    struct RatioForm
    {
        QChar separator;
        const QRegularExpression *pattern;
    };
    // Each number starts where its digits start, so that a long run is not tried from each.
    static const QRegularExpression slashRatio(QStringLiteral("(?<!\\d)(\\d+)/(\\d+)"));
    static const QRegularExpression colonRatio(QStringLiteral("(?<!\\d)(\\d+):(\\d+)"));
    static const RatioForm forms[] = {{QLatin1Char('/'), &slashRatio},
                                      {QLatin1Char(':'), &colonRatio}};
    for (const RatioForm &form : forms) {
        if (!value.contains(form.separator))
            continue;
        const QRegularExpressionMatch match = form.pattern->match(value);
        if (!match.hasMatch() || match.captured(1).toLongLong() <= 0
            || match.captured(2).toLongLong() <= 0)
            return 0.0;
        const QStringList parts = value.split(form.separator);
        const double divisor = parts.at(1).toDouble();
        // The captures were positive, but the split parts may still read differently.
        return divisor != 0.0 ? parts.at(0).toDouble() / divisor : 0.0;
    }
    return 0.0;
}

bool FFprobe::readPackets(QList<FFprobePacket> &packets, const QString &filePath,
                          const QString &streams, const QString &intervals, bool withHashes)
{
    packets.clear();
    if (m_state != Ready)
        return false;
    qCDebug(lcEngines).noquote() << "FFprobe::readPackets()" << streams << intervals << quoted(filePath);
    QStringList arguments{QStringLiteral("-v"), QStringLiteral("error")};
    arguments << packetOptions(streams, intervals, withHashes) << QStringLiteral("-show_entries")
              << QStringLiteral("packet=pts_time,dts_time,duration_time,flags")
                     + (withHashes ? QStringLiteral(",data_hash") : QString())
              << fileArgument(filePath);
    QString stdOut;
    QString stdErr;
    QString error;
    const QScopedValueRollback<qint64> limit(m_outputLimit, SyncRunner::ListingLimit);
    if (!runProcess(arguments, stdOut, stdErr, error)) {
        m_console->log(LogLevel::Quiet,
                       tr("FFprobe: process error loading %1 '%2'").arg(filePath, error));
        qCDebug(lcEngines).noquote() << "FFprobe::readPackets() run error" << error << quoted(filePath);
        return false;
    }
    // The list can be long: only errors are echoed.
    if (!stdErr.isEmpty())
        m_console->stdErrNormal(stdErr);
    packets = parsePackets(stdOut);
    qCDebug(lcEngines).noquote() << "FFprobe::readPackets() found" << packets.size() << "packets in"
                       << quoted(filePath);
    return true;
}

PacketListing *FFprobe::startPacketListing(const QString &filePath, const QString &streams, QObject *parent,
                                           const QString &intervals) const
{
    if (m_state != Ready)
        return nullptr;
    // Only what a packet's place needs, one line per packet: the listing of a film stays
    // small, and its lines can be read as they come. Written through FFprobe's own output
    // ("-o pipe:1") it comes in blocks of some 500 lines, not a line at a time: the standard
    // output is flushed after every packet, a write for FFprobe and a wake-up for the window
    // per packet (180,000 for a two-hour film).
    QStringList arguments{QStringLiteral("-v"), QStringLiteral("error")};
    arguments << packetOptions(streams, intervals, false) << QStringLiteral("-show_entries")
              << QStringLiteral("packet=pts_time,dts_time,duration_time,flags,pos") << QStringLiteral("-of")
              << QStringLiteral("compact=p=0") << QStringLiteral("-o") << QStringLiteral("pipe:1")
              << fileArgument(filePath);
    return new PacketListing(m_executablePath, arguments, m_libraryPath, parent);
}

namespace {
// A "key=value" line of a packet block: the key a word at the line's start. False for any
// other line.
bool packetField(QStringView line, QStringView *key, QStringView *value)
{
    const qsizetype equal = line.indexOf(QLatin1Char('='));
    if (equal <= 0)
        return false;
    for (const QChar c : line.first(equal)) {
        const char16_t u = c.unicode();
        if (!(u == '_' || (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z')))
            return false;
    }
    *key = line.first(equal);
    *value = line.sliced(equal + 1).trimmed();
    return true;
}
} // namespace

// One pass over the lines: a marker is a whole line, as FFprobe writes it. An unclosed block
// counts for nothing, and a marker inside a block of its kind is no new block. Side data sits
// in blocks of its own inside a packet: none of its keys are the packet's, unless the side
// data is never closed.
QList<FFprobePacket> FFprobe::parsePackets(const QString &text)
{
    QList<FFprobePacket> packets;
    bool inPacket = false;
    bool inSideData = false;
    QList<std::pair<QStringView, QStringView>> fields;
    QList<std::pair<QStringView, QStringView>> sideFields;
    const QStringView whole(text);
    for (qsizetype begin = 0; begin < whole.size();) {
        qsizetype end = whole.indexOf(QLatin1Char('\n'), begin);
        if (end < 0)
            end = whole.size();
        const QStringView raw = whole.sliced(begin, end - begin);
        const QStringView line = raw.trimmed();
        begin = end + 1;
        if (!inPacket) {
            if (line == QLatin1String("[PACKET]")) {
                inPacket = true;
                fields.clear();
            }
        } else if (inSideData && line == QLatin1String("[/SIDE_DATA]")) {
            inSideData = false;
            sideFields.clear();
        } else if (line == QLatin1String("[/PACKET]")) {
            fields += sideFields;
            QHash<QString, QString> values;
            for (const auto &[key, value] : std::as_const(fields)) {
                if (!values.contains(key.toString()))
                    values.insert(key.toString(), value.toString());
            }
            FFprobePacket packet;
            if (readPacket(packet, values))
                packets.append(packet);
            inPacket = inSideData = false;
            sideFields.clear();
        } else if (!inSideData && line == QLatin1String("[SIDE_DATA]")) {
            inSideData = true;
        } else {
            QStringView key;
            QStringView value;
            if (packetField(raw.endsWith(QLatin1Char('\r')) ? raw.chopped(1) : raw, &key, &value))
                (inSideData ? sideFields : fields).append({key, value});
        }
    }
    return packets;
}
