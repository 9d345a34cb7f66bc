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

    // The runs that complete an analysis where its first answer leaves a fact of the moving
    // picture unsaid, each made only where it is: the field order its first decoded pictures
    // flag (the stream record names none, or a coded order that writers name apart from the
    // one shown: "tb", "bt"); stretches of its packets' times read at points spread through
    // the file, and its packets counted over the whole file where the container counts none
    // and reading it all is cheap (the first answer lists only the packets of its first
    // seconds, after which a phone may drop its rate or a screen recorder pause); and the
    // sound's sampling rates, decoded at the file's start and at points spread through it.
    enum Sample { FieldSample = 1, RateSample = 2, SoundRateSample = 4 };
    struct SampleRun
    {
        Sample sample;
        // False, leaving the command empty, where the analysis in data needs no such run.
        bool (InterfaceFFprobe::*command)(const QString &file, const FFprobeData &data, QString &program,
                                          QStringList &arguments) const;
        bool (*parse)(FFprobeData *data, const QString &stdOut);
    };
    static const QList<SampleRun> &sampleRuns();
    // The most bytes a sample run of the file may read: its stretches at the file's average
    // rate, never less than LeastSampleRead. One that reads more reads on through the file to
    // a point it cannot seek to (a Matroska file cut off before its index): it is stopped, and
    // what it was to tell stays unknown.
    static qint64 sampleReadLimit(const QString &file, const FFprobeData &data);
    static constexpr qint64 LeastSampleRead = 32 * 1024 * 1024;
    bool cliCmdGetFields(const QString &file, const FFprobeData &data, QString &program,
                         QStringList &arguments) const;
    bool cliCmdGetSpread(const QString &file, const FFprobeData &data, QString &program,
                         QStringList &arguments) const;
    bool cliCmdGetCount(const QString &file, const FFprobeData &data, QString &program,
                        QStringList &arguments) const;
    bool cliCmdGetSoundRates(const QString &file, const FFprobeData &data, QString &program,
                             QStringList &arguments) const;
    // Their answers, read into the moving picture's record of data; an answer that tells
    // nothing (a run cut short) leaves the record alone and gives false.
    static bool parseFields(FFprobeData *data, const QString &stdOut);
    static bool parseSpread(FFprobeData *data, const QString &stdOut);
    static bool parseCount(FFprobeData *data, const QString &stdOut);
    // Into each sound stream's record (the sound, not the moving picture, is read here).
    static bool parseSoundRates(FFprobeData *data, const QString &stdOut);

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
    // The times of the sampled packets of each video stream, and of those flagged to be
    // discarded of each video and audio stream.
    static void readSampledTimes(FFprobeData *data, const QList<FFprobeReport::Block> &packets);
    // Empties the command; the moving picture's place, -1 for none.
    static int noSample(const FFprobeData &data, QString &program, QStringList &arguments);
    // A sample run of the moving picture of the file, asked for these entries; true.
    bool sampleCommand(const char *name, const QString &file, int picture, const QStringList &asked,
                       QString &program, QStringList &arguments) const;

    QString m_binary;
    FFprobeData *m_data = nullptr;
    InterfaceStatus *m_status = nullptr;
    QStringList m_formatKeys;
    QStringList m_streamKeys;
};
