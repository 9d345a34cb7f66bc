#include "app/shellsettings.h"

#include "jobs/preferences.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QSettings>
#include <QStringDecoder>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <limits>

#include <sys/stat.h>

namespace {
constexpr int NoLimit = std::numeric_limits<int>::max();

// The number rows of group "Preferences", in the order they are written; the bounds are
// those of the preferences dialog (the volume correction those of the encoder panel).
struct EncoderRow
{
    const char *key;
    int EncoderPreferences::*field;
    int minimum;
    int maximum;
};
constexpr EncoderRow kEncoderRows[] = {
    {"Encoder/test frames", &EncoderPreferences::testFrames, 100, NoLimit},
    {"Encoder/test chapter", &EncoderPreferences::testChapter, 1, 99},
    {"Encoder/test position", &EncoderPreferences::testPosition, 0, NoLimit},
    {"Encoder/volume correction", &EncoderPreferences::volumeCorrection,
     -ShellSettings::VolumeLimit, ShellSettings::VolumeLimit},
    {"Encoder/validation frames", &EncoderPreferences::validationFrames, 25, 100},
    {"Encoder/validation size", &EncoderPreferences::validationSize, 500000, 2000000},
};
constexpr EncoderRow kEncoderLatencyRows[] = {
    {"Encoder/latency start", &EncoderPreferences::latencyStart, 1000, 5000},
    {"Encoder/latency finished", &EncoderPreferences::latencyFinished, 1000, 5000},
    {"Encoder/latency kill", &EncoderPreferences::latencyKill, 3000, 5000},
};

struct PlayerRow
{
    const char *key;
    int PlayerPreferences::*field;
    int minimum;
    int maximum;
};
constexpr PlayerRow kPlayerRows[] = {
    {"Player/latency start", &PlayerPreferences::latencyStart, 1000, 5000},
    {"Player/latency finished", &PlayerPreferences::latencyFinished, 1000, 5000},
    {"Player/latency kill", &PlayerPreferences::latencyKill, 3000, 5000},
    {"Player/poll ticks", &PlayerPreferences::pollTicks, 500, 2000},
};

const char *const kOutputName = "Encoder/output name";
const char *const kForceOutputName = "Encoder/force output name";
const char *const kIgnoreShortTitles = "Player/DVD/ignore short titles";
const char *const kTitleMinimumLength = "Player/DVD/title minimum length";
constexpr double MinimumTitleLength = 60.0;
constexpr double MaximumTitleLength = 7200.0;

template <typename Row, typename Record>
void readRows(QSettings &settings, const Row *rows, size_t count, Record &record)
{
    for (size_t i = 0; i < count; ++i) {
        const Row &row = rows[i];
        if (settings.contains(QLatin1String(row.key)))
            record.*row.field = ShellSettings::boundedInt(settings.value(QLatin1String(row.key)),
                                                          record.*row.field, row.minimum,
                                                          row.maximum);
    }
}

template <typename Row, typename Record>
void writeRows(QSettings &settings, const Row *rows, size_t count, const Record &record)
{
    for (size_t i = 0; i < count; ++i)
        settings.setValue(QLatin1String(rows[i].key), record.*rows[i].field);
}
} // namespace

int ShellSettings::boundedInt(const QVariant &value, int fallback, int minimum, int maximum)
{
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (!ok)
        return fallback;
    return int(std::clamp<qlonglong>(number, minimum, maximum));
}

double ShellSettings::boundedDouble(const QVariant &value, double fallback, double minimum,
                                    double maximum)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return fallback;
    return std::clamp(number, minimum, maximum);
}

bool ShellSettings::boolValue(const QVariant &value, bool fallback)
{
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return fallback;
}

QString ShellSettings::cleanOutputName(const QString &name)
{
    static const QRegularExpression forbidden(QStringLiteral("[\\\\/?*|]"));
    QString cleaned = name;
    cleaned.remove(forbidden);
    cleaned = cleaned.simplified();
    // No character is shorter than a byte: the cut to as many characters comes first.
    cleaned.truncate(MaximumOutputNameBytes);
    if (!cleaned.isEmpty() && cleaned.back().isHighSurrogate())
        cleaned.chop(1);
    while (QFile::encodeName(cleaned).size() > MaximumOutputNameBytes)
        cleaned.chop(cleaned.size() > 1 && cleaned.back().isLowSurrogate() ? 2 : 1);
    cleaned = cleaned.trimmed();
    return cleaned.isEmpty() ? QStringLiteral("output") : cleaned;
}

void ShellSettings::readPreferences(QSettings &settings, Preferences &preferences)
{
    settings.beginGroup(QStringLiteral("Preferences"));
    EncoderPreferences &encoder = preferences.encoder;
    PlayerPreferences &player = preferences.player;
    readRows(settings, kEncoderRows, std::size(kEncoderRows), encoder);
    if (settings.contains(QLatin1String(kOutputName)))
        encoder.outputName = cleanOutputName(settings.value(QLatin1String(kOutputName)).toString());
    if (settings.contains(QLatin1String(kForceOutputName)))
        encoder.forceOutputName =
            boolValue(settings.value(QLatin1String(kForceOutputName)), encoder.forceOutputName);
    readRows(settings, kEncoderLatencyRows, std::size(kEncoderLatencyRows), encoder);
    if (settings.contains(QLatin1String(kIgnoreShortTitles)))
        player.ignoreShortTitles =
            boolValue(settings.value(QLatin1String(kIgnoreShortTitles)), player.ignoreShortTitles);
    if (settings.contains(QLatin1String(kTitleMinimumLength)))
        player.titleMinimumLength =
            boundedDouble(settings.value(QLatin1String(kTitleMinimumLength)),
                          player.titleMinimumLength, MinimumTitleLength, MaximumTitleLength);
    readRows(settings, kPlayerRows, std::size(kPlayerRows), player);
    settings.endGroup();
}

void ShellSettings::writePreferences(QSettings &settings, const Preferences &preferences)
{
    settings.beginGroup(QStringLiteral("Preferences"));
    writeRows(settings, kEncoderRows, std::size(kEncoderRows), preferences.encoder);
    settings.setValue(QLatin1String(kOutputName), preferences.encoder.outputName);
    settings.setValue(QLatin1String(kForceOutputName), preferences.encoder.forceOutputName);
    writeRows(settings, kEncoderLatencyRows, std::size(kEncoderLatencyRows), preferences.encoder);
    settings.setValue(QLatin1String(kIgnoreShortTitles), preferences.player.ignoreShortTitles);
    settings.setValue(QLatin1String(kTitleMinimumLength), preferences.player.titleMinimumLength);
    writeRows(settings, kPlayerRows, std::size(kPlayerRows), preferences.player);
    settings.endGroup();
}

QString ShellSettings::storeFolder(QSettings::Scope scope)
{
    // Making a store reads its files: the one asked for belongs to an organisation that has
    // none.
    const QSettings probe(QSettings::defaultFormat(), scope, QStringLiteral("vexo-no-such-organization"));
    return QFileInfo(probe.fileName()).path();
}

QStringList ShellSettings::storeFiles(const QString &organization, const QString &application)
{
    QStringList files;
    for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope}) {
        const QString folder = storeFolder(scope) + QLatin1Char('/');
        files << folder + organization + QLatin1Char('/') + application + QLatin1String(".conf")
              << folder + organization + QLatin1String(".conf");
    }
    return files;
}

QString ShellSettings::irregularFile(const QStringList &files)
{
    for (const QString &file : files) {
        const QFileInfo info(file);
        const bool irregular = info.exists() ? !info.isFile() && !info.isDir() : info.isSymLink();
        if (irregular)
            return file;
    }
    return QString();
}

QString ShellSettings::unreadableFile(const QStringList &files)
{
    for (const QString &file : files) {
        const QFileInfo info(file);
        if (info.isDir() || (info.isFile() && !info.isReadable()))
            return file;
    }
    return QString();
}

bool ShellSettings::isShared(const QString &fileName)
{
    struct stat status = {};
    return QFileInfo(fileName).isSymLink()
           || (::stat(QFile::encodeName(fileName).constData(), &status) == 0 && S_ISREG(status.st_mode)
               && status.st_nlink > 1);
}

bool ShellSettings::writeThrough(const QString &fileName, const QByteArray &text)
{
    if (isShared(fileName)) {
        QFile file(fileName);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size()
               && file.flush();
    }
    QSaveFile file(fileName);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
}

bool ShellSettings::placeOnScreen(const QPoint &position, const QRect &available)
{
    // A hand-edited place far outside any screen is refused before anything is added to it
    // (near the largest int the sums below would overflow).
    constexpr int FarAway = 1 << 24;
    const auto far = [](int coordinate) { return coordinate < -FarAway || coordinate > FarAway; };
    if (far(position.x()) || far(position.y()))
        return false;
    // The title bar's left part must be reachable to move the window back.
    const QRect grip(position, QSize(100, 30));
    return available.intersects(grip) && available.contains(position + QPoint(10, 10));
}

QSize ShellSettings::fitToScreen(const QSize &size, const QRect &available)
{
    return size.boundedTo(available.size()).expandedTo(QSize(1, 1));
}

namespace {
// The file cut into lines that cannot touch one another: each key line keeps only its key
// ("name="), without the quotes and line-end backslashes through which the store would
// read on into the next lines (the store writes neither raw in a key or a group name).
QByteArray keysOnly(const QByteArray &text)
{
    QByteArray keys;
    keys.reserve(text.size());
    qsizetype begin = 0;
    while (begin <= text.size()) {
        qsizetype end = begin;
        while (end < text.size() && text.at(end) != '\n' && text.at(end) != '\r')
            ++end;
        QByteArray line = text.mid(begin, end - begin);
        if (!line.trimmed().startsWith('[')) {
            const qsizetype equals = line.indexOf('=');
            if (equals >= 0)
                line.truncate(equals + 1);
        }
        line.replace('"', QByteArray());
        while (line.endsWith('\\'))
            line.chop(1);
        keys += line + '\n';
        begin = end + 1;
    }
    return keys;
}
} // namespace

bool ShellSettings::readsBackWhole(const QString &fileName)
{
    QFile file(fileName);
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly))
        return true;
    // The keys the file's lines name, as the store reads them line by line, against what
    // the store reads of the whole file: a key it did not read back is lost to it, and the
    // next save would write its default over it. Read by the store itself, so that lines it
    // takes for keys ("#name=", "=value") or leaves out count the same on both sides.
    QTemporaryFile lines(QDir::tempPath() + QStringLiteral("/settings-keys-XXXXXX.ini"));
    if (!lines.open())
        return true;
    lines.write(keysOnly(file.readAll()));
    lines.close();
    const QSettings expected(lines.fileName(), QSettings::IniFormat);
    const QSettings settings(fileName, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return false;
    const QStringList read = settings.allKeys();
    const QSet<QString> found(read.cbegin(), read.cend());
    const QStringList named = expected.allKeys();
    return std::all_of(named.cbegin(), named.cend(),
                       [&found](const QString &key) { return found.contains(key); });
}

QString ShellSettings::keepCopy(const QString &fileName)
{
    const QString base = fileName + QStringLiteral(".damaged");
    for (qint64 number = 0;; ++number) {
        const QString copy = number == 0 ? base : base + QLatin1Char('.') + QString::number(number);
        if (QFile::copy(fileName, copy))
            return copy;
        // Every damage keeps its own copy: a name an earlier one (or anything else, a
        // dangling link too) holds moves the copy on to the next; otherwise no copy can be
        // made here.
        const QFileInfo taken(copy);
        if (!taken.exists() && !taken.isSymLink())
            return {};
    }
}

namespace {
// Whether a line reads as the store writes its lines: UTF-8 text without control
// characters; a group name closed, without the characters the store writes escaped in it
// ("[", "]", ";", "=", a quote); no quote in a key; the quotes of a value closed, and no
// backslash at its end through which the store would read on into the next line.
bool isSoundLine(QByteArrayView line)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(line);
    if (utf8.hasError())
        return false;
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control && c != QLatin1Char('\t'))
            return false;
    }
    static const QRegularExpression group(QStringLiteral("^\\s*\\[[^][;=\"]*\\]\\s*$"));
    if (text.trimmed().startsWith(QLatin1Char('[')))
        return group.match(text).hasMatch();
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    const qsizetype firstQuote = text.indexOf(QLatin1Char('"'));
    if (firstQuote >= 0 && (equals < 0 || firstQuote < equals))
        return false;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\')) {
            // The escaped character is taken as it is; a backslash at the end reads on.
            if (++i == text.size())
                return false;
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
        }
    }
    return !quoted;
}

} // namespace

bool ShellSettings::cutAtDamage(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = file.readAll();
    file.close();
    // The store ends a line at either line-end byte.
    qsizetype begin = 0;
    while (begin < text.size()) {
        qsizetype end = begin;
        while (end < text.size() && text.at(end) != '\n' && text.at(end) != '\r')
            ++end;
        if (!isSoundLine(QByteArrayView(text).sliced(begin, end - begin)))
            break;
        begin = end + 1;
    }
    return writeThrough(fileName, text.left(begin));
}
