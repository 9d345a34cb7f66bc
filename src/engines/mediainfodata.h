#pragma once

#include <QList>
#include <QMap>
#include <QString>

// The MediaInfo report of one media file: the fields of its General section, of its first
// Video section and of every Audio and Text section, each a map from the label as MediaInfo
// prints it to its value (both trimmed; a value keeps its unit), and the whole report.
class MediaInfoData
{
public:
    using Fields = QMap<QString, QString>;

    // Empties both maps, both lists and the raw text.
    void clear();

    // Reads a "Duration" value in seconds (milliseconds as the fraction), in today's form
    // ("1 h 2 min", "1 min 15 s", "30 s 500 ms") and in the older one ("1h 2mn", "30s 500ms").
    // Missing parts count 0; a text without any part gives 0.
    static double durationSeconds(const QString &text);
    // Reads a bit rate value in kbit/s: "128 kb/s", "1 500 Kbps", "12.3 Mb/s", "800 b/s".
    // Blanks inside the number are thousands separators. Anything else gives 0.
    static double bitRateKbps(const QString &text);

    Fields generalFields;
    Fields videoFields;
    QList<Fields> audioStreams;
    QList<Fields> textStreams;
    QString rawText; // the whole standard output of the analysis run
};
