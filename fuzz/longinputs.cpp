#include "longinputs.h"

#include <QtGlobal>

namespace {
// One piece of a recipe: its text with the escapes undone, and its repeat count (-1: fill).
bool readPiece(const QByteArray &source, QByteArray *text, qsizetype *count)
{
    QByteArray body = source;
    *count = 1;
    const qsizetype star = source.lastIndexOf('*');
    if (star >= 0) {
        const QByteArray tail = source.mid(star + 1);
        bool ok = false;
        const qsizetype number = tail.toLongLong(&ok);
        if (tail == "fill") {
            *count = -1;
            body = source.left(star);
        } else if (ok && number >= 0) {
            *count = number;
            body = source.left(star);
        }
    }
    text->clear();
    for (qsizetype i = 0; i < body.size(); ++i) {
        if (body.at(i) != '\\') {
            text->append(body.at(i));
            continue;
        }
        if (++i == body.size())
            return false;
        switch (body.at(i)) {
        case 'n': text->append('\n'); break;
        case 'r': text->append('\r'); break;
        case 't': text->append('\t'); break;
        case '\\': text->append('\\'); break;
        case 'x': {
            bool ok = false;
            const int value = body.mid(i + 1, 2).toInt(&ok, 16);
            if (!ok)
                return false;
            text->append(char(value));
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return !text->isEmpty();
}

// The text repeated until it fills `size` bytes, the last copy cut.
QByteArray filled(const QByteArray &text, qsizetype size)
{
    QByteArray bytes;
    if (text.isEmpty() || size <= 0)
        return bytes;
    bytes.reserve(size);
    while (bytes.size() + text.size() <= size)
        bytes += text;
    bytes += text.left(size - bytes.size());
    return bytes;
}
} // namespace

QList<LongInputs::Input> LongInputs::fromRecipes(const QByteArray &recipes, QString *error)
{
    QList<Input> inputs;
    int number = 0;
    for (const QByteArray &line : recipes.split('\n')) {
        ++number;
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> fields = line.split('\t');
        Input input{QString::fromUtf8(fields.first()), QByteArray()};
        qsizetype fillAt = -1;
        QByteArray fillText;
        for (qsizetype i = 1; i < fields.size(); ++i) {
            QByteArray text;
            qsizetype count = 0;
            if (!readPiece(fields.at(i), &text, &count)) {
                *error = QStringLiteral("line %1: cannot read piece %2").arg(number).arg(i);
                return {};
            }
            if (count < 0) {
                fillAt = input.bytes.size();
                fillText = text;
                continue;
            }
            for (qsizetype k = 0; k < count; ++k)
                input.bytes += text;
        }
        if (fields.size() < 2 || input.bytes.size() > ReadLimit) {
            *error = QStringLiteral("line %1: no piece, or longer than the read limit").arg(number);
            return {};
        }
        if (fillAt >= 0)
            input.bytes.insert(fillAt, filled(fillText, ReadLimit - input.bytes.size()));
        inputs.append(input);
    }
    return inputs;
}

QList<LongInputs::Input> LongInputs::fromSeed(const QString &name, const QByteArray &seed)
{
    QByteArray oneLine = seed;
    oneLine.replace('\n', ' ').replace('\r', ' ');
    return {{name + QStringLiteral(" repeated"), filled(seed, ShapeBytes)},
            {name + QStringLiteral(" as one line, repeated"), filled(oneLine + ' ', ShapeBytes)}};
}

qint64 LongInputs::boundMs(qsizetype bytes)
{
    bool ok = false;
    qint64 perMiB = qEnvironmentVariableIntValue("VEXO_LONG_INPUT_MS_PER_MIB", &ok);
    if (!ok || perMiB <= 0)
        perMiB = 5000;
    return qMax<qint64>(2000, perMiB * bytes / (1024 * 1024));
}
