#include "engines/interfacemediainfo.h"
#include "engines/engineslogging.h"

#include "engines/fileargument.h"
#include "engines/textsections.h"
#include "engines/interfacestatus.h"

#include <QDebug>
#include <QRegularExpression>

namespace {
const QString kCompleteName = QStringLiteral("Complete name");

bool isBlank(const QString &line)
{
    return line.trimmed().isEmpty();
}

// Stream sizes are printed in the unit that suits them ("78.9 KiB", "350 MiB", "1.2 GiB");
// they are compared in MiB.
struct SizeUnit
{
    const char *name;
    double toMiB;
};
const SizeUnit kSizeUnits[] = {{"Bytes", 1.0 / (1024.0 * 1024.0)},
                               {"KiB", 1.0 / 1024.0},
                               {"MiB", 1.0},
                               {"GiB", 1024.0},
                               {"TiB", 1024.0 * 1024.0}};
} // namespace

InterfaceMediaInfo::InterfaceMediaInfo() = default;

void InterfaceMediaInfo::init(const QString &binary, MediaInfoData *data, InterfaceStatus *status)
{
    m_binary = binary;
    m_data = data;
    m_status = status;
}

QString InterfaceMediaInfo::binary() const
{
    return m_binary;
}

void InterfaceMediaInfo::setBinary(const QString &binary)
{
    m_binary = binary;
}

void InterfaceMediaInfo::cliCmdGetStatus(QString &program, QStringList &arguments) const
{
    program = m_binary;
    arguments = QStringList{QStringLiteral("--version")};
    qCDebug(lcEngines) << "InterfaceMediaInfo::cliCmdGetStatus() returns command:" << program
             << "with options" << arguments;
}

void InterfaceMediaInfo::cliCmdGetInfo(const QString &file, QString &program,
                                       QStringList &arguments) const
{
    program = m_binary;
    arguments = QStringList{fileArgument(file)};
    qCDebug(lcEngines) << "InterfaceMediaInfo::cliCmdGetInfo() returns command:" << program
             << "with options" << arguments;
}

void InterfaceMediaInfo::parseStatus()
{
    qCDebug(lcEngines) << "InterfaceMediaInfo::parseStatus() starts parsing status raw data";
    if (!m_status)
        return;
    if (m_status->state != InterfaceStatus::OutputCaptured) {
        m_status->state = InterfaceStatus::ParseFailed;
        return;
    }
    // "MediaInfo Command line, \nMediaInfoLib - v23.04": the version runs from the last "v"
    // after "MediaInfoLib" to the end of the text.
    const QString answer = QString::fromUtf8(m_status->stdOut);
    const QList<QStringView> parts = TextSections::split(
        answer, {QLatin1String("MediaInfo Command line"), QLatin1String("MediaInfoLib"), QLatin1String("v")});
    if (parts.isEmpty()) {
        qCDebug(lcEngines) << "InterfaceMediaInfo::parseStatus() - Failed to parse MediaInfo standard "
                    "output (parsing signature)";
        m_status->state = InterfaceStatus::ParseFailed;
        return;
    }
    m_status->signature = QStringLiteral("MediaInfo Command line");
    m_status->version = (QLatin1Char('v') + parts.at(2).toString()).trimmed();
    m_status->state = InterfaceStatus::Ready;
}

// The column of the colon that ends every label, taken from the first "Complete name" line
// of the whole report; -1 when there is none.
int InterfaceMediaInfo::labelWidth(const Lines &lines)
{
    for (const QString &line : lines) {
        if (line.startsWith(kCompleteName)) {
            qCDebug(lcEngines) << "InterfaceMediaInfo::parseData() catch fixed width from" << line;
            return line.indexOf(QLatin1Char(':'), kCompleteName.size());
        }
    }
    return -1;
}

// The sections of every analysed file, read in one pass: a file starts at a heading line
// "General", and a section runs from its heading to the first empty line or the next heading.
// Only whole lines count as headings: a "General" inside a path or a title starts nothing.
QList<InterfaceMediaInfo::Report> InterfaceMediaInfo::fileReports(const Lines &lines)
{
    // MediaInfo's kinds of stream, each heading a section ("Audio", "Audio #2").
    static const QRegularExpression heading(
        QStringLiteral("^(General|Video|Audio|Text|Other|Image|Menu)(?:\\s*#\\d+)?$"));
    QList<Report> reports;
    bool inBody = false;
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = heading.match(line.trimmed());
        if (match.hasMatch()) {
            if (match.captured(1) == QLatin1String("General"))
                reports.append(Report());
            if (!reports.isEmpty())
                reports.last().append(Section{match.captured(1), {}});
            inBody = !reports.isEmpty();
        } else if (isBlank(line)) {
            inBody = false;
        } else if (inBody) {
            reports.last().last().body.append(line);
        }
    }
    return reports;
}

// The size of the first Video stream in MiB, 0 when the report gives none.
double InterfaceMediaInfo::videoStreamSizeMiB(const Report &report)
{
    static const QRegularExpression size(
        QStringLiteral("Stream size\\s+:\\s+(\\d[\\d ]*(?:\\.\\d+)?)\\s?(Bytes|KiB|MiB|GiB|TiB)\\b"));
    for (const Section &section : report) {
        if (section.heading != QLatin1String("Video"))
            continue;
        for (const QString &line : section.body) {
            const QRegularExpressionMatch match = size.match(line);
            if (!match.hasMatch())
                continue;
            qCDebug(lcEngines) << "InterfaceMediaInfo::parseData() catch stream size:"
                     << match.captured(1) + match.captured(2);
            QString number = match.captured(1);
            number.remove(QLatin1Char(' ')); // "1 023 MiB": blanks separate thousands
            for (const SizeUnit &unit : kSizeUnits) {
                if (match.captured(2) == QLatin1String(unit.name))
                    return number.toDouble() * unit.toMiB;
            }
        }
        return 0.0; // only the first Video section counts
    }
    return 0.0;
}

// The file whose first video stream is the largest; the earliest one on a tie, the first
// one when no size could be read.
int InterfaceMediaInfo::mainReport(const QList<Report> &reports)
{
    double bestSize = 0.0;
    int best = 0;
    for (int i = 0; i < reports.size(); ++i) {
        const double size = videoStreamSizeMiB(reports.at(i));
        if (size > bestSize) {
            bestSize = size;
            best = i;
        }
    }
    return best;
}

// The General section from its "Complete name" line on.
InterfaceMediaInfo::Lines InterfaceMediaInfo::generalBody(const Report &report)
{
    const Lines &body = report.first().body;
    for (int i = 0; i < body.size(); ++i) {
        if (body.at(i).startsWith(kCompleteName))
            return body.mid(i);
    }
    return Lines();
}

// Label and value of each "label<blanks>: value" line, split at the label column.
MediaInfoData::Fields InterfaceMediaInfo::fields(const Lines &body, int width)
{
    MediaInfoData::Fields map;
    for (const QString &line : body) {
        const QString label = line.left(width).trimmed();
        if (label.isEmpty())
            continue;
        QString value;
        if (line.size() <= width)
            value = line.trimmed();
        else
            value = line.mid(width + 1).trimmed();
        map.insert(label, value);
    }
    return map;
}

bool InterfaceMediaInfo::parseData(MediaInfoData *data)
{
    qCDebug(lcEngines) << "InterfaceMediaInfo::parseData() starts parsing data";
    if (!data)
        return false;
    Lines lines = data->rawText.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }

    const int width = labelWidth(lines);
    const QList<Report> reports = fileReports(lines);
    qCDebug(lcEngines) << "InterfaceMediaInfo::parseData() catch files:" << reports.size();
    if (width <= 0 || reports.isEmpty()) {
        qCDebug(lcEngines) << "InterfaceMediaInfo::parseData() - Failed to parse MediaInfo standard output "
                    "(catching fixed width)";
        return false;
    }
    qCDebug(lcEngines) << "InterfaceMediaInfo::parseData() fixed width:" << width;
    const Report &report = reports.at(mainReport(reports));

    const MediaInfoData::Fields general = fields(generalBody(report), width);
    for (auto it = general.cbegin(); it != general.cend(); ++it)
        data->generalFields.insert(it.key(), it.value());

    bool firstVideo = true;
    for (const Section &section : report) {
        if (section.heading == QLatin1String("Video")) {
            if (!firstVideo)
                continue;
            firstVideo = false;
            const MediaInfoData::Fields map = fields(section.body, width);
            for (auto it = map.cbegin(); it != map.cend(); ++it)
                data->videoFields.insert(it.key(), it.value());
            continue;
        }
        QList<MediaInfoData::Fields> *streams =
            section.heading == QLatin1String("Audio")  ? &data->audioStreams
            : section.heading == QLatin1String("Text") ? &data->textStreams
                                                       : nullptr;
        const MediaInfoData::Fields map = streams ? fields(section.body, width) : MediaInfoData::Fields();
        if (!map.isEmpty())
            streams->append(map);
    }
    return true;
}
