#pragma once

#include "engines/mediainfodata.h"

#include <QString>
#include <QStringList>

struct InterfaceStatus;

// The player's view of the MediaInfo command-line utility: its two command lines (version
// query, analysis of one file) and the parsers of their output. The owner runs the commands
// and stores the output in the records this interface points at.
class InterfaceMediaInfo
{
public:
    InterfaceMediaInfo();

    // Called once by the owner: the executable path and the owner's records (not owned).
    void init(const QString &binary, MediaInfoData *data, InterfaceStatus *status);
    QString binary() const;
    void setBinary(const QString &binary);

    void cliCmdGetStatus(QString &program, QStringList &arguments) const;
    void cliCmdGetInfo(const QString &file, QString &program, QStringList &arguments) const;

    // Reads the version banner that the owner stored in the status record (state 1):
    // signature, version and state 3, or state 2.
    void parseStatus();
    // Reads data's raw text into its maps and lists (added to what they hold). False, with
    // nothing filled, for a report without a "Complete name" line: that file could not be
    // analysed, which says nothing about the utility (its status record is left alone).
    bool parseData(MediaInfoData *data);

private:
    // One section of a report: its heading line and the lines of its body.
    struct Section
    {
        QString heading;
        QStringList body;
    };
    using Lines = QStringList;
    // One analysed file: its General section first, then its stream sections.
    using Report = QList<Section>;

    static int labelWidth(const Lines &lines);
    static QList<Report> fileReports(const Lines &lines);
    static int mainReport(const QList<Report> &reports);
    static double videoStreamSizeMiB(const Report &report);
    static Lines generalBody(const Report &report);
    static MediaInfoData::Fields fields(const Lines &body, int width);

    QString m_binary;
    MediaInfoData *m_data = nullptr;
    InterfaceStatus *m_status = nullptr;
};
