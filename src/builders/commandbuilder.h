#pragma once

#include <QMap>
#include <QMultiHash>
#include <QString>
#include <QStringList>

struct EncodingJob;
struct EngineCapabilities;
struct InterfaceStatus;

// What every engine's command builder has in common: the engine path, the records the
// encoder core hands over, the builder's vocabulary (the containers and codecs it drives
// the engine with, which codecs each container takes, and the program's names for the
// engine's names) and the support checks that read that vocabulary.
//
// Each engine builder fills the tables in its constructor and, where it knows more than its
// tables (what the installed engine can really do), gives the reasons to refuse a name.
class CommandBuilder
{
public:
    // A codec (the program's name or the engine's encoder name) that the installed engine
    // lists but cannot write into the given containers (any container when none is given),
    // with the reason the support checks give.
    struct CodecLimit
    {
        const char *codec;
        QStringList muxers;
        const char *reason;
    };

    void init(const QString &binary, EngineCapabilities *capabilities, EncodingJob *data,
              InterfaceStatus *status);

    QString binary() const { return m_binary; }
    // The encoder core changes the engine path directly when the user picks another one.
    void setBinary(const QString &binary) { m_binary = binary; }

    virtual ~CommandBuilder() = default;

    // The support checks: a name passes when the tables take it and the builder gives no
    // reason to refuse it.
    bool isMuxerSupported(const QString &muxer) const;
    bool isVideoCodecSupported(const QString &muxer, const QString &codec) const;
    bool isAudioCodecSupported(const QString &muxer, const QString &codec) const;
    // The tables alone. Only the codec goes through the aliases, never the container.
    bool tablesTakeMuxer(const QString &muxer) const;
    bool tablesTakeVideoCodec(const QString &muxer, const QString &codec) const;
    bool tablesTakeAudioCodec(const QString &muxer, const QString &codec) const;

    // Why the engine cannot write the container, or the codec into it; an empty text when
    // it can. Here: never a reason, the tables are all this builder knows.
    virtual QString muxerRefusal(const QString &muxer) const;
    virtual QString videoCodecRefusal(const QString &muxer, const QString &codec) const;
    virtual QString audioCodecRefusal(const QString &muxer, const QString &codec) const;

    EncodingJob *data = nullptr;               // read by the command builders; not owned
    EngineCapabilities *capabilities = nullptr; // filled by the status parsers; not owned
    InterfaceStatus *status = nullptr;          // the engine's query runs; not owned

    QStringList supportedMuxers;
    QStringList supportedVideoCodecs;
    QStringList supportedAudioCodecs;
    QStringList supportedSubtitleCodecs;
    // Per container name: the codec names allowed in it. An empty row counts as no row.
    QMap<QString, QStringList> muxerVideoCodecs;
    QMap<QString, QStringList> muxerAudioCodecs;
    QMap<QString, QStringList> muxerSubtitleCodecs;
    // Program name to the engine's names.
    QMultiHash<QString, QString> muxerAliases;
    QMultiHash<QString, QString> videoCodecAliases;
    QMultiHash<QString, QString> audioCodecAliases;
    QMultiHash<QString, QString> subtitleCodecAliases;

protected:
    CommandBuilder() = default;

    // The program of every command: the engine path as it was given.
    QString program() const { return m_binary; }
    // The debug line that ends every command builder; the text names the builder, as in
    // "InterfaceMEncoder::cliCmdGetStatus() returns command:".
    static void logCommand(const char *text, const QString &program,
                           const QStringList &arguments);

    // One container's rows, as the constructors' tables list them.
    struct MuxerRow
    {
        const char *muxer;
        QStringList video;
        QStringList audio;
        QStringList subtitle;
    };
    void addMuxerRows(std::initializer_list<MuxerRow> rows);

    struct Alias
    {
        const char *name;
        QStringList aliases;
    };
    static void addAliases(QMultiHash<QString, QString> &table, std::initializer_list<Alias> rows);

    // The reason of the first limit that holds one of the names for the container; null
    // when none does.
    template <std::size_t N>
    static const char *limitReason(const CodecLimit (&limits)[N], const QString &muxer,
                                  const QStringList &names)
    {
        return limitReason(limits, limits + N, muxer, names);
    }
    static const char *limitReason(const CodecLimit *begin, const CodecLimit *end,
                                  const QString &muxer, const QStringList &names);

private:
    bool hasRow(const QString &muxer) const;
    static bool rowAccepts(const QMap<QString, QStringList> &rows, const QString &muxer,
                           const QString &codec, const QMultiHash<QString, QString> &aliases);

    QString m_binary;
};
