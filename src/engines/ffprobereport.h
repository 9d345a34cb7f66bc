#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// FFprobe's answer to "-show_format -show_streams": its FORMAT block and its STREAM blocks,
// each a list of "key", "value" fields. Tags become "TAG:key" fields and dispositions
// "DISPOSITION:key" fields, as in FFprobe's default form; the fields of a stream's side data
// (a display matrix's "rotation") become "SIDE_DATA:key" fields.
//
// FFprobe's default form writes tag values as they are, line breaks included, so a title in
// a file can write lines that read as fields or as block markers. The analyses therefore ask
// for the JSON form (outputOptions()), where every value is escaped; the default form is
// still read, for answers written without those options.
class FFprobeReport
{
public:
    using Field = QPair<QString, QString>;
    using Block = QList<Field>;

    // The options that make FFprobe answer in the escaped form, N/A values included.
    static QStringList outputOptions();
    // "SIDE_DATA:", the prefix of side data fields.
    static QString sideDataPrefix();

    // Reads either form. False, with both parts empty, when the answer holds no FORMAT block
    // or only an empty one.
    bool read(const QString &answer);

    // One "key=value" line per field. Backslashes, line feeds and carriage returns in values
    // are written "\\", "\n" and "\r", so that each field stays one line.
    static QString text(const Block &block);
    // The value of a line of text(), with its escapes undone.
    static QString unescape(const QString &value);
    // The blocks of one list ("frames", "packets", "streams") of an answer in the escaped
    // form that asks for no FORMAT block; empty for any other answer.
    static QList<Block> entries(const QString &answer, const QString &list);

    Block format;
    QList<Block> streams;
    // The PACKET blocks of an answer that also lists packets ("-show_packets"), JSON form only.
    QList<Block> packets;

private:
    bool readJson(const QString &answer);
    bool readSections(const QString &answer);
};
