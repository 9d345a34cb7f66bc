#include "builders/commandbuilder.h"
#include "builders/builderslogging.h"

#include <QDebug>

void CommandBuilder::init(const QString &binary, EngineCapabilities *capabilities,
                          EncodingJob *data, InterfaceStatus *status)
{
    m_binary = binary;
    this->capabilities = capabilities;
    this->data = data;
    this->status = status;
}

bool CommandBuilder::hasRow(const QString &muxer) const
{
    return !muxerVideoCodecs.value(muxer).isEmpty() || !muxerAudioCodecs.value(muxer).isEmpty()
           || !muxerSubtitleCodecs.value(muxer).isEmpty();
}

bool CommandBuilder::isMuxerSupported(const QString &muxer) const
{
    return tablesTakeMuxer(muxer) && muxerRefusal(muxer).isEmpty();
}

bool CommandBuilder::isVideoCodecSupported(const QString &muxer, const QString &codec) const
{
    return tablesTakeVideoCodec(muxer, codec) && videoCodecRefusal(muxer, codec).isEmpty();
}

bool CommandBuilder::isAudioCodecSupported(const QString &muxer, const QString &codec) const
{
    return tablesTakeAudioCodec(muxer, codec) && audioCodecRefusal(muxer, codec).isEmpty();
}

QString CommandBuilder::muxerRefusal(const QString &) const
{
    return QString();
}

QString CommandBuilder::videoCodecRefusal(const QString &, const QString &) const
{
    return QString();
}

QString CommandBuilder::audioCodecRefusal(const QString &, const QString &) const
{
    return QString();
}

bool CommandBuilder::tablesTakeMuxer(const QString &muxer) const
{
    if (hasRow(muxer))
        return true;
    const QStringList aliases = muxerAliases.values(muxer);
    for (const QString &alias : aliases) {
        if (hasRow(alias))
            return true;
    }
    return false;
}

bool CommandBuilder::rowAccepts(const QMap<QString, QStringList> &rows, const QString &muxer,
                                const QString &codec, const QMultiHash<QString, QString> &aliases)
{
    const QStringList row = rows.value(muxer);
    if (row.contains(codec))
        return true;
    const QStringList names = aliases.values(codec);
    for (const QString &name : names) {
        if (row.contains(name))
            return true;
    }
    return false;
}

bool CommandBuilder::tablesTakeVideoCodec(const QString &muxer, const QString &codec) const
{
    return rowAccepts(muxerVideoCodecs, muxer, codec, videoCodecAliases);
}

bool CommandBuilder::tablesTakeAudioCodec(const QString &muxer, const QString &codec) const
{
    return rowAccepts(muxerAudioCodecs, muxer, codec, audioCodecAliases);
}

void CommandBuilder::logCommand(const char *text, const QString &program,
                                const QStringList &arguments)
{
    if (!lcBuilders().isDebugEnabled())
        return;
    QDebug line = QMessageLogger(__FILE__, __LINE__, Q_FUNC_INFO, lcBuilders().categoryName()).debug();
    line.noquote() << text;
    line.quote() << program;
    line.noquote() << "with options";
    line.quote() << arguments;
}

void CommandBuilder::addMuxerRows(std::initializer_list<MuxerRow> rows)
{
    for (const MuxerRow &row : rows) {
        const QString muxer = QString::fromLatin1(row.muxer);
        muxerVideoCodecs[muxer] = row.video;
        muxerAudioCodecs[muxer] = row.audio;
        muxerSubtitleCodecs[muxer] = row.subtitle;
    }
}

void CommandBuilder::addAliases(QMultiHash<QString, QString> &table,
                                std::initializer_list<Alias> rows)
{
    for (const Alias &row : rows) {
        for (const QString &alias : row.aliases)
            table.insert(QString::fromLatin1(row.name), alias);
    }
}

const char *CommandBuilder::limitReason(const CodecLimit *begin, const CodecLimit *end,
                                       const QString &muxer, const QStringList &names)
{
    for (const CodecLimit *limit = begin; limit != end; ++limit) {
        if (names.contains(QLatin1String(limit->codec))
            && (limit->muxers.isEmpty() || limit->muxers.contains(muxer)))
            return limit->reason;
    }
    return nullptr;
}
