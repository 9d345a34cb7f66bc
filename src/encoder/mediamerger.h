#pragma once

#include "encoder/mediaeditor.h"

#include <QHash>
#include <QPointer>
#include <QString>
#include <QStringList>

class FFmpeg;
class FFprobe;
class Job;
class MEncoder;

// Joins several media files into one with a single stream-copy job: MEncoder's for AVI files,
// FFmpeg's concat for the containers MEncoder can only write through libavformat. A stream
// copy only works when every file carries the same kind of video and audio as the first, so
// the reference file is analysed with FFprobe and each further file is accepted only when
// its first video and first audio stream match the reference's, field by field.
class MediaMerger : public MediaEditor
{
    Q_OBJECT

public:
    // The results of addFile().
    enum AddResult {
        TranscodeBoth = 0,
        TranscodeVideo = 1,
        TranscodeAudio = 2,
        Accepted = 3,
        AnalysisFailed = 4
    };

    explicit MediaMerger(JobManager *host);

    // Analyses the reference and restarts the file list with it.
    bool setReference(const QString &file, QString &error);
    // One of AddResult; the file list changes only when the file is accepted.
    int addFile(const QString &file, QString &error);
    // Empty texts keep the automatic choices (the reference's folder, "<name>.merge.<ext>").
    void setOutput(const QString &folder, const QString &fileName);
    bool startMerge(QString &error);

    QStringList files() const { return m_files; }
    // Why the queued merge job failed, in words a user can act on; empty while it has not.
    QString failure() const;
    double duration() const { return m_duration; }
    QString referenceFormat() const { return m_referenceFormat; }

    // The container of a FORMAT "format_name": of a list, the entry that is the file's
    // suffix, else the first.
    static QString containerOf(const QString &formatName, const QString &suffix);

signals:
    void finished();
    void started();

private:
    // Compares the first stream of one kind with the reference's values; true when one
    // of the compared keys differs.
    bool streamDiffers(int stream, const QHash<QString, QString> &reference, bool video,
                       const QString &file);
    void fail(QString &error, const QString &text);
    // The command of the engine that copies the reference's streams into its container;
    // false, with the error said, when that engine is not ready or cannot be given its list.
    bool mergeCommand(QString &program, QStringList &arguments, QString &engine,
                      QString &listPath, const QString &output, QString &error);

    FFprobe *m_ffprobe;
    MEncoder *m_mencoder;
    FFmpeg *m_ffmpeg;
    QPointer<Job> m_job;
    QStringList m_files;
    double m_duration = 0.0;
    QString m_outputName;
    QString m_outputFolder;
    QString m_referenceFormat;
    QString m_reference;
    QHash<QString, QString> m_referenceAudio;
    QHash<QString, QString> m_referenceFormatValues;
    QHash<QString, QString> m_referenceVideo;
};
