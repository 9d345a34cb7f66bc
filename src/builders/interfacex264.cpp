#include "builders/interfacex264.h"
#include "builders/builderslogging.h"

#include "encoder/records/enginecapabilities.h"
#include "engines/interfacestatus.h"
#include "engines/textsections.h"

#include <QDebug>
#include <QRegularExpression>

namespace {
constexpr auto kCaseless = QRegularExpression::CaseInsensitiveOption;
const char kWhere[] = "InterfaceX264::parseStatus() -";
}

InterfaceX264::InterfaceX264()
{
    supportedMuxers = QStringList{"264", "3g2", "3gp", "flv", "mkv", "mp4", "mov", "qt"};
    supportedVideoCodecs = QStringList{"x264"};
    supportedAudioCodecs = QStringList{"aac", "ac3", "alac", "amrnb", "auto", "copy",
                                       "mp2", "mp3", "none", "raw", "vorbis"};
    supportedSubtitleCodecs.clear();
    for (const QString &muxer : std::as_const(supportedMuxers)) {
        muxerVideoCodecs[muxer] = QStringList();
        muxerAudioCodecs[muxer] = QStringList();
        muxerSubtitleCodecs[muxer] = QStringList();
    }
    addMuxerRows({
        {"264", {"x264"}, {}, {}},
        {"flv", {"x264"}, {"aac", "mp3_flv", "copy"}, {}},
        {"mkv", {"x264"}, {"aac", "ac3", "alac", "copy", "mp3", "none", "vorbis"}, {}},
        {"mp4", {"x264"}, {"aac", "copy"}, {}},
    });
}

bool InterfaceX264::engineKnown() const
{
    return status && status->state == InterfaceStatus::Ready && capabilities
           && capabilities->muxerMap;
}

QString InterfaceX264::muxerRefusal(const QString &muxer) const
{
    if (!engineKnown() || capabilities->muxerMap->contains(muxer))
        return QString();
    return tr("this x264 cannot write %1 files").arg(muxer);
}

void InterfaceX264::cliCmdGetStatus(QString &program, QStringList &arguments) const
{
    program = this->program();
    arguments = QStringList{"--fullhelp"};
    logCommand("InterfaceX264::cliCmdGetStatus() returns command:", program, arguments);
}

void InterfaceX264::parseStatus()
{
    qCDebug(lcBuilders) << "InterfaceX264::parseStatus() starts parsing status raw data";
    if (!status)
        return;
    if (status->state != InterfaceStatus::OutputCaptured || !capabilities
        || !capabilities->videoCodecMap || !capabilities->audioCodecMap
        || !capabilities->subtitleCodecMap || !capabilities->muxerMap) {
        status->state = InterfaceStatus::ParseFailed;
        return;
    }
    const QString text = QString::fromUtf8(status->stdOut);

    static const QRegularExpression banner(QStringLiteral("(x264\\s+core[^\\r\\n]*)"), kCaseless);
    const QString bannerLine = banner.match(text).captured(1);
    if (bannerLine.isEmpty()) {
        qCDebug(lcBuilders) << kWhere << "Failed to parse x264 standard output (signature)";
        status->state = InterfaceStatus::ParseFailed;
        return;
    }
    qCDebug(lcBuilders) << kWhere << "signature:" << bannerLine;
    static const QRegularExpression parts(QStringLiteral("(x264)\\s+(core:.*)"), kCaseless);
    const QRegularExpressionMatch partsMatch = parts.match(bannerLine);
    if (partsMatch.captured(1).isEmpty() || partsMatch.captured(2).isEmpty()) {
        qCDebug(lcBuilders) << kWhere << "Failed to parse x264 standard output (parsing signature)";
        status->state = InterfaceStatus::ParseFailed;
        return;
    }

    // Every line of the list after "Outfile type ...", each beginning with an extension.
    static const QRegularExpression outputTypes(
        QStringLiteral("Outfile type[^\\n]*\\n((?:[ \\t]*\\.[^\\n]*\\n)+)"), kCaseless);
    const QString formats = outputTypes.match(text).captured(1);
    if (formats.isEmpty()) {
        qCDebug(lcBuilders) << kWhere << "Failed to parse x264 standard output (formats)";
        status->state = InterfaceStatus::ParseFailed;
        return;
    }
    qCDebug(lcBuilders) << kWhere << "output formats:" << formats;
    status->signature = partsMatch.captured(1);
    status->version = partsMatch.captured(2).trimmed();

    capabilities->videoCodecMap->clear();
    capabilities->videoCodecMap->insert(QStringLiteral("x264"), QStringLiteral("H.264"));
    parseAudio(text);
    capabilities->subtitleCodecMap->clear();
    parseOutputTypes(formats);
    status->state = InterfaceStatus::Ready;
}

// The audio section of builds with audio output: "Available settings:" with entries
// "name (description)", then a "Set ..." text that lists the codec names after a dash or
// a comma, up to "Force ..."; today's builds have no such section.
void InterfaceX264::parseAudio(const QString &text)
{
    QMap<QString, QString> &audio = *capabilities->audioCodecMap;
    audio.clear();
    // "Audio:", then the settings, the "Set ..." text and "Force", before "Input/Output".
    const QList<QStringView> parts =
        TextSections::split(text, {QLatin1String("Audio:"), QLatin1String("Available settings:"), QLatin1String("Set"),
                                   QLatin1String("Force"), QLatin1String("Input/Output")},
                            Qt::CaseInsensitive);
    if (parts.isEmpty() || parts.at(1).isEmpty() || parts.at(2).isEmpty()) {
        qCDebug(lcBuilders) << kWhere << "no audio supported";
        return;
    }
    const QString settings = QLatin1String("Available settings:") + parts.at(1).toString();
    const QString codecs = QLatin1String("Set") + parts.at(2).toString();
    qCDebug(lcBuilders) << kWhere << "found supported audio settings:" << settings;
    qCDebug(lcBuilders) << kWhere << "found supported audio codecs:" << codecs;

    // An entry is "name (description)", the description running to the next ")". The ")" is
    // looked for once from each "name (" that the last entry leaves: one expression for the
    // whole entry would search the rest of the text for it from every "name (" of a text
    // that has none (a section of repeated "a (" took 14 s at 256 KiB). A name starts where
    // its word starts, so that a long word is not tried from each letter.
    // The text is checked for valid UTF-16 once, at the first search: checked again at each
    // entry, the whole text would be read once per entry (256 KiB of "a (b) " took 2 s).
    static const QRegularExpression name(QStringLiteral("(?<!\\w)(\\w+)\\s+\\("));
    auto check = QRegularExpression::NoMatchOption;
    for (qsizetype from = 0;; check = QRegularExpression::DontCheckSubjectStringMatchOption) {
        const QRegularExpressionMatch entry =
            name.match(settings, from, QRegularExpression::NormalMatch, check);
        if (!entry.hasMatch())
            break;
        const qsizetype open = entry.capturedEnd(0);
        const qsizetype close = settings.indexOf(QLatin1Char(')'), open);
        if (close < 0) // no entry after this one has its ")" either
            break;
        if (close == open) { // "name ()" describes nothing: the next name may follow inside
            from = open;
            continue;
        }
        from = close + 1;
        const QString setting = entry.captured(1);
        const QString description = settings.mid(open, close - open);
        if (supportedAudioCodecs.contains(setting)) {
            audio.insert(setting, description);
            qCDebug(lcBuilders) << kWhere << "found audio setting available:" << setting << description;
        } else {
            qCDebug(lcBuilders) << kWhere << "ignore audio setting available (not supported):" << setting
                                << description;
        }
    }
    static const QRegularExpression codec(QStringLiteral("(-|,)\\s+(\\w+)"));
    for (auto it = codec.globalMatch(codecs); it.hasNext();) {
        const QString name = it.next().captured(2);
        if (supportedAudioCodecs.contains(name)) {
            audio.insert(name, QString());
            qCDebug(lcBuilders) << kWhere << "found audio codec available:" << name;
        } else {
            qCDebug(lcBuilders) << kWhere << "ignore audio codec available (not supported):" << name;
        }
    }
}

// ".mkv -> Matroska", or ".mp4 or .m4v -> MPEG-4" (the first extension counts). A type that
// the build marks "(no)" is listed but cannot be written.
void InterfaceX264::parseOutputTypes(const QString &formats)
{
    QMap<QString, QString> &muxers = *capabilities->muxerMap;
    muxers.clear();
    static const QRegularExpression line(
        QStringLiteral("^[ \\t]*\\.(\\w+)(?: or \\.\\w+)? -> ([^\\r\\n]*)"),
        kCaseless | QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(formats); it.hasNext();) {
        const QRegularExpressionMatch entry = it.next();
        const QString name = entry.captured(1);
        const QString description = entry.captured(2).trimmed();
        if (!supportedMuxers.contains(name)) {
            qCDebug(lcBuilders) << kWhere << "ignore muxer format available (not supported):"
                                << name << description;
        } else if (description.endsWith(QLatin1String("(no)"))) {
            qCDebug(lcBuilders) << kWhere << "ignore muxer format not built in:" << name
                                << description;
        } else {
            muxers.insert(name, description);
            qCDebug(lcBuilders) << kWhere << "found muxer format available:" << name << description;
        }
    }
}
