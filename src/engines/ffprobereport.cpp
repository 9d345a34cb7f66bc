#include "engines/ffprobereport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
// Nested objects of a JSON block that FFprobe's default form writes as prefixed fields.
struct Prefix
{
    const char *object;
    const char *prefix;
};
const Prefix kPrefixes[] = {{"tags", "TAG:"}, {"disposition", "DISPOSITION:"}};

QString scalarText(const QJsonValue &value)
{
    if (value.isString())
        return value.toString().trimmed();
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return value.toVariant().toString(); // integers stay integers
}

// Plain fields first, then the prefixed ones: FFprobe's own order.
FFprobeReport::Block jsonBlock(const QJsonObject &object)
{
    FFprobeReport::Block block;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isObject() && !it.value().isArray() && !it.value().isNull())
            block.append({it.key(), scalarText(it.value())});
    }
    for (const Prefix &prefix : kPrefixes) {
        const QJsonObject nested = object.value(QLatin1String(prefix.object)).toObject();
        for (auto it = nested.begin(); it != nested.end(); ++it)
            block.append({QLatin1String(prefix.prefix) + it.key(), scalarText(it.value())});
    }
    // Each side data entry (a display matrix and its rotation) as prefixed fields.
    const QJsonArray sideData = object.value(QLatin1String("side_data_list")).toArray();
    for (const QJsonValue &entry : sideData) {
        const QJsonObject fields = entry.toObject();
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            if (!it.value().isObject() && !it.value().isArray())
                block.append({FFprobeReport::sideDataPrefix() + it.key(), scalarText(it.value())});
        }
    }
    return block;
}
} // namespace

QString FFprobeReport::sideDataPrefix()
{
    return QStringLiteral("SIDE_DATA:");
}

QStringList FFprobeReport::outputOptions()
{
    return {QStringLiteral("-of"), QStringLiteral("json"), QStringLiteral("-show_optional_fields"),
            QStringLiteral("always")};
}

bool FFprobeReport::read(const QString &answer)
{
    format.clear();
    streams.clear();
    packets.clear();
    const bool found = answer.trimmed().startsWith(QLatin1Char('{')) ? readJson(answer)
                                                                     : readSections(answer);
    if (!found || format.isEmpty()) {
        format.clear();
        streams.clear();
        packets.clear();
        return false;
    }
    return true;
}

bool FFprobeReport::readJson(const QString &answer)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(answer.toUtf8(), &error);
    const QJsonObject root = document.object();
    if (error.error != QJsonParseError::NoError || !root.value(QLatin1String("format")).isObject())
        return false;
    format = jsonBlock(root.value(QLatin1String("format")).toObject());
    const QJsonArray list = root.value(QLatin1String("streams")).toArray();
    for (const QJsonValue &stream : list)
        streams.append(jsonBlock(stream.toObject()));
    const QJsonArray packetList = root.value(QLatin1String("packets")).toArray();
    for (const QJsonValue &packet : packetList)
        packets.append(jsonBlock(packet.toObject()));
    return true;
}

QList<FFprobeReport::Block> FFprobeReport::entries(const QString &answer, const QString &list)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(answer.toUtf8(), &error);
    QList<Block> blocks;
    if (error.error != QJsonParseError::NoError)
        return blocks;
    const QJsonArray array = document.object().value(list).toArray();
    for (const QJsonValue &entry : array)
        blocks.append(jsonBlock(entry.toObject()));
    return blocks;
}

// "[FORMAT]" and "[STREAM]" blocks, markers as whole lines; the fields of a side data block
// nested in them are prefixed, other nested blocks are skipped, and an unclosed block is no
// block. The closing markers are made once a block
// opens: made again at each line, a long block name took quadratic time.
bool FFprobeReport::readSections(const QString &answer)
{
    bool formatFound = false;
    QString open; // the block being read, empty outside
    QString nested;
    QString openEnd;
    QString nestedEnd;
    Block block;
    const QStringList lines = answer.split(QLatin1Char('\n'));
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (open.isEmpty()) {
            if (line == QLatin1String("[FORMAT]") || line == QLatin1String("[STREAM]")) {
                open = line.mid(1, line.size() - 2);
                openEnd = QStringLiteral("[/") + open + QLatin1Char(']');
                block.clear();
            }
        } else if (!nested.isEmpty()) {
            const int equal = line.indexOf(QLatin1Char('='));
            if (line == nestedEnd)
                nested.clear();
            else if (nested == QLatin1String("SIDE_DATA") && equal > 0)
                block.append({sideDataPrefix() + line.left(equal), line.mid(equal + 1).trimmed()});
        } else if (line == openEnd) {
            if (open == QLatin1String("STREAM")) {
                streams.append(block);
            } else if (!formatFound) {
                format = block;
                formatFound = true;
            }
            open.clear();
        } else if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))
                   && !line.startsWith(QLatin1String("[/"))) {
            nested = line.mid(1, line.size() - 2);
            nestedEnd = QStringLiteral("[/") + nested + QLatin1Char(']');
        } else {
            const int equal = line.indexOf(QLatin1Char('='));
            if (equal > 0)
                block.append({line.left(equal), line.mid(equal + 1).trimmed()});
        }
    }
    return formatFound;
}

QString FFprobeReport::text(const Block &block)
{
    QStringList lines;
    for (const Field &field : block) {
        QString value = field.second;
        value.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
            .replace(QLatin1Char('\n'), QLatin1String("\\n"))
            .replace(QLatin1Char('\r'), QLatin1String("\\r"));
        lines.append(field.first + QLatin1Char('=') + value);
    }
    return lines.join(QLatin1Char('\n'));
}

QString FFprobeReport::unescape(const QString &value)
{
    QString result;
    result.reserve(value.size());
    for (int i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            result.append(c);
            continue;
        }
        const QChar next = value.at(++i);
        result.append(next == QLatin1Char('n')   ? QChar(QLatin1Char('\n'))
                      : next == QLatin1Char('r') ? QChar(QLatin1Char('\r'))
                                                 : next);
    }
    return result;
}
