#pragma once

#include "engines/ffprobereport.h"

#include <QHash>
#include <QString>
#include <QStringList>

class FFprobeData;
struct InterfaceStatus;

// The player's stateless view of FFprobe: the two command lines it runs (status and file
// analysis) and the parsers of their answers. The owner runs the commands itself; the
// interface only holds the executable path and points at the owner's records.
class InterfaceFFprobe
{
public:
    InterfaceFFprobe();

    // Called once by the owner: the executable path and the owner's records (not owned).
    void init(const QString &binary, FFprobeData *data, InterfaceStatus *status);
    QString binary() const;
    void setBinary(const QString &binary);

    void cliCmdGetStatus(QString &program, QStringList &arguments) const;
    void cliCmdGetInfo(const QString &file, QString &program, QStringList &arguments) const;

    // Reads the "-version" banner into the status record: signature, version, state 3 on
    // success; state 2 (signature and version untouched) otherwise.
    bool parseStatus(const QString &stdOut);
    // Reads the FORMAT and STREAM blocks of "-show_format -show_streams" into data, with the
    // times of the packets sampled for each video stream. The caller clears data before the
    // run; an answer without a FORMAT block leaves it alone.
    void parseData(FFprobeData *data, const QString &stdOut, const QString &stdErr) const;

    // FFprobe's ratios and numbers: "N/A" 0; a text with "." its decimal value; "a/b" or
    // "a:b" with both above 0 their quotient; anything else (a plain integer too) 0.
    static double parseRatio(const QString &value);
    // Matroska's stream lengths, "00:02:00.040000000", in seconds; negative for another text.
    static double clockSeconds(const QString &value);

private:
    using KeyTable = QHash<QString, QString>;

    static KeyTable keyTable(const FFprobeReport::Block &block, const QStringList &keys);
    static void readFormat(FFprobeData *data, const KeyTable &table);
    static void readStream(FFprobeData *data, const KeyTable &table);
    // The times of the sampled packets of each video stream.
    static void readSampledTimes(FFprobeData *data, const QList<FFprobeReport::Block> &packets);

    QString m_binary;
    FFprobeData *m_data = nullptr;
    InterfaceStatus *m_status = nullptr;
    QStringList m_formatKeys;
    QStringList m_streamKeys;
};
