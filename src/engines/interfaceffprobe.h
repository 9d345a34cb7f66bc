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

    // The runs that complete an analysis where its first answer (the packets of the file's
    // first seconds) leaves facts unsaid, each made only where it tells something: the
    // moving picture read at its start, at points spread through it and near its end (its
    // packets' times, and the field order and shape of the key pictures decoded there); its
    // packets counted over the whole file where the container counts none, or fewer than the
    // analysis lists, and reading it all is cheap; and the sound's frames decoded at its
    // start, at points spread through it and near the end of each sound stream (its sampling
    // rates, and how far it reaches). A phone may drop its rate after the first seconds, a
    // screen recorder pause, a broadcast change its shape or its sound's rate, a recording
    // stop before the length its header declares.
    enum Sample { FieldSample = 1, RateSample = 2, SoundRateSample = 4 };
    // The packets the analysis lists from the file's start: fewer, it read the whole file.
    static constexpr int SampledPackets = 400;
    struct SampleRun
    {
        Sample sample; // what it reads, a sum of Sample
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
    bool cliCmdGetSpread(const QString &file, const FFprobeData &data, QString &program,
                         QStringList &arguments) const;
    bool cliCmdGetCount(const QString &file, const FFprobeData &data, QString &program,
                        QStringList &arguments) const;
    bool cliCmdGetSoundRates(const QString &file, const FFprobeData &data, QString &program,
                             QStringList &arguments) const;
    // Their answers, read into the moving picture's record of data; an answer that tells
    // nothing (a run cut short, an answer that is none) leaves the record alone and gives
    // false.
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
