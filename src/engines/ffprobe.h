#pragma once

#include "engines/analyzer.h"
#include "engines/ffprobepacket.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class PacketListing;

// The FFprobe engine as the media editors use it: started once ("-version"), then loaded
// with one file at a time. A load keeps the raw FORMAT and STREAM blocks of FFprobe's answer
// and indexes the streams by type; lookups then read single values or lists of keys.
class FFprobe : public Analyzer
{
    Q_OBJECT

public:
    FFprobe();

    bool startInterface(const QString &executablePath, const QString &libraryPath) override;
    // False when the text has no FFprobe banner.
    bool parseSignature(const QString &text);

    bool load(const QString &filePath);
    // load() and readPackets() of the same file in one FFprobe run. With streams given,
    // FFprobe selects them for the stream list too: only they are loaded (the format is
    // whole). With none, every stream is loaded and the packets of all of them are listed.
    // False, with nothing loaded, when FFprobe could not do both (e.g. a read interval it
    // could not seek to): load() alone may still succeed.
    bool loadWithPackets(const QString &filePath, QList<FFprobePacket> &packets,
                         const QString &streams, const QString &intervals, bool withHashes = false);
    // What load() makes of FFprobe's answer about the file, apart from the run that gave it;
    // packets, when given, receive the packets the answer lists.
    bool readLoad(const QString &filePath, const QString &stdOut, QList<FFprobePacket> *packets);

    // Starts the FFprobe run of a loadWithPackets() of the same arguments now, so that it is
    // done, or under way, when that loadWithPackets() takes it over. The held one waits,
    // FFprobe loaded, before it reads the file until it is taken over: for a file still
    // being written, whose analysis is awaited as soon as it is done; releaseLoadWithPackets()
    // lets it read once the file is complete, before it is taken over. Either is ended with
    // dropLoadWithPackets() when it is not asked for.
    void prefetchLoadWithPackets(const QString &filePath, const QString &streams,
                                 const QString &intervals, bool withHashes = false) const;
    void holdLoadWithPackets(const QString &filePath, const QString &streams,
                             const QString &intervals, bool withHashes = false) const;
    void releaseLoadWithPackets(const QString &filePath, const QString &streams,
                                const QString &intervals, bool withHashes = false) const;
    void dropLoadWithPackets(const QString &filePath, const QString &streams,
                             const QString &intervals, bool withHashes = false) const;

    bool formatValue(QString &value, const QString &key);
    // Return the number of keys found; the keys not found go to missing (when given).
    int formatData(QHash<QString, QString> &data, const QStringList &keys,
                   QStringList *missing = nullptr);
    int streamData(int stream, QHash<QString, QString> &data, const QStringList &keys,
                   QStringList *missing = nullptr);

    QList<int> audioStreams() const { return m_audioStreams; }
    QList<int> videoStreams() const { return m_videoStreams; }
    QList<int> subtitleStreams() const { return m_subtitleStreams; }
    QList<int> dataStreams() const { return m_dataStreams; }
    QList<int> attachmentStreams() const { return m_attachmentStreams; }

    QString formatText() const { return m_formatText; }
    QStringList streamTexts() const { return m_streamTexts; }
    bool isLoaded() const { return m_loaded; }
    QString filePath() const { return m_filePath; }

    // Lists the packets of the selected streams ("-select_streams", e.g. "V:0") within the
    // read intervals ("-read_intervals", e.g. "%+#1" or "12.5%52.5") of a file, each with
    // the hash of its data; packets without any time are left out. Independent of load():
    // what load() found stays as it is. False when FFprobe could not be run.
    // Without hashes FFprobe reads the same packets but need not hash their data.
    bool readPackets(QList<FFprobePacket> &packets, const QString &filePath,
                     const QString &streams, const QString &intervals, bool withHashes = true);
    static QList<FFprobePacket> parsePackets(const QString &text);
    // Starts listing the packets of the selected streams of a whole file (or of the read
    // intervals given), without their hashes but with their byte positions, as a
    // PacketListing of that parent; null when FFprobe is not ready.
    PacketListing *startPacketListing(const QString &filePath, const QString &streams, QObject *parent,
                                      const QString &intervals = QStringLiteral("%")) const;

    // The value of a key in a block of "key=value" lines; a key the block lacks is logged
    // as a failure.
    QString parseValue(const QString &key, const QString &text, bool *ok);
    // The same without a log: false when the block lacks the key.
    static bool findValue(const QString &key, const QString &text, QString *value);
    // "N/A" is 0; "12.5" a decimal; "16:9" and "25/1" ratios of two positive numbers (else
    // 0); anything else, a plain integer included, 0.
    static double toNumber(const QString &value);

protected:
    QueryOutcome queryEngine(QString &failureText, QString &error) override;

private:
    // The common start of formatData and streamData: false when nothing is loaded.
    bool dataReady(QHash<QString, QString> &data, const QStringList &keys, QStringList *missing);
    int lookUp(const QString &text, QHash<QString, QString> &data, const QStringList &keys,
               QStringList *missing);
    void clearLoad();
    static QStringList loadArguments(const QString &filePath, const QStringList &moreOptions, bool withPackets);
    static QStringList loadWithPacketsArguments(const QString &filePath, const QString &streams,
                                                const QString &intervals, bool withHashes);
    // load() with more options; packets, when given, receive the packets FFprobe listed.
    bool loadWith(const QString &filePath, const QStringList &moreOptions,
                  QList<FFprobePacket> *packets);

    QString m_formatText;
    QStringList m_streamTexts;
    bool m_loaded = false;
    QString m_filePath;
    QList<int> m_attachmentStreams; // "t"
    QList<int> m_audioStreams;      // "a"
    QList<int> m_dataStreams;       // "d"
    QList<int> m_subtitleStreams;   // "s"
    QList<int> m_videoStreams;      // "v"
};
