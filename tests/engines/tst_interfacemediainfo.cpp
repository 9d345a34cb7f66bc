// MediaInfo's command lines and the parsers of its banner and report: the older Windows form
// (CR LF, "1h 23mn", "Kbps") and the real MediaInfo 23.04 on clips made here.

#include "engines/interfacemediainfo.h"
#include "engines/interfacestatus.h"
#include "engines/mediainfodata.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QElapsedTimer>
#include <QTest>

namespace {
// A report section: heading, "label : value" lines padded to the column, an empty line.
QString section(const QString &heading, const QList<QPair<QString, QString>> &fields, int column = 32)
{
    QString text = heading + '\n';
    for (const auto &field : fields)
        text += field.first.leftJustified(column) + " : " + field.second + '\n';
    return text + '\n';
}

// The whole record, one line per map: "general: label=value; ...".
QString describe(const MediaInfoData &data)
{
    const auto line = [](const QString &name, const MediaInfoData::Fields &fields) {
        QStringList pairs;
        for (auto it = fields.cbegin(); it != fields.cend(); ++it)
            pairs << it.key() + '=' + it.value();
        return name + ": " + pairs.join("; ");
    };
    QStringList lines{line("general", data.generalFields), line("video", data.videoFields)};
    for (const MediaInfoData::Fields &fields : data.audioStreams)
        lines << line("audio", fields);
    for (const MediaInfoData::Fields &fields : data.textStreams)
        lines << line("text", fields);
    return lines.join('\n');
}

MediaInfoData parse(const QString &report, bool *parsed = nullptr)
{
    MediaInfoData data;
    InterfaceMediaInfo mediaInfo;
    mediaInfo.init("mediainfo", &data, nullptr);
    data.rawText = report;
    const bool result = mediaInfo.parseData(&data);
    if (parsed)
        *parsed = result;
    return data;
}

// The real utility's report on a file or folder, parsed.
MediaInfoData analyse(const QString &path)
{
    InterfaceMediaInfo mediaInfo;
    mediaInfo.init("mediainfo", nullptr, nullptr);
    QString program, report;
    QStringList arguments;
    mediaInfo.cliCmdGetInfo(path, program, arguments);
    TestMedia::run(program, arguments, &report, nullptr, 30000);
    return parse(report);
}
} // namespace

class TestInterfaceMediaInfo : public QObject
{
    Q_OBJECT

private slots:
    void commandsAndStatus()
    {
        InterfaceStatus status;
        InterfaceMediaInfo mediaInfo;
        mediaInfo.init("/opt/mediainfo/mediainfo", nullptr, &status);
        QString program, today;
        QStringList arguments;
        // "--LogFile=..." would make MediaInfo write a file: a name like that stays a name.
        mediaInfo.cliCmdGetInfo("--LogFile=x.avi", program, arguments);
        QCOMPARE(arguments, QStringList{"./--LogFile=x.avi"});

        status.state = InterfaceStatus::OutputCaptured;
        TestMedia::run("mediainfo", {"--version"}, &today);
        status.stdOut = today.toUtf8();
        mediaInfo.parseStatus();
        QCOMPARE(status.state, int(InterfaceStatus::Ready));
        QCOMPARE(status.signature + ' ' + status.version, QString("MediaInfo Command line v23.04"));
        status.state = InterfaceStatus::OutputCaptured;
        status.stdOut = "ffprobe version 5.1.9\n";
        mediaInfo.parseStatus(); // not MediaInfo: the values stay
        QCOMPARE(status.state, int(InterfaceStatus::ParseFailed));
        QCOMPARE(status.version, QString("v23.04"));
    }

    void parseData_data()
    {
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("parsed"); // false: the file could not be analysed

        // Numbered sections, "General" in the path and in a title.
        QTest::newRow("older form, CR LF")
            << QString(section("General", {{"Complete name", "C:\\General\\a.avi"}, {"Duration", "1h 23mn"}})
                       + section("Video #1", {{"Bit rate", "1 000 Kbps"}}) + section("Video #2", {{"ID", "2"}})
                       + section("Audio #1", {{"ID", "1"}})
                       + section("Audio #2", {{"Channel positions", "Front: L C R"}, {"Title", "General cut"}})
                       + section("Text #1", {{"Language", "French"}}).chopped(2))
                   .replace("\n", "\r\n")
            << "general: Complete name=C:\\General\\a.avi; Duration=1h 23mn\nvideo: Bit rate=1 000 Kbps\n"
               "audio: ID=1\naudio: Channel positions=Front: L C R; Title=General cut\ntext: Language=French"
            << true;
        // The column (14) comes from "Complete name". A line of column + 1 characters has an
        // empty value; a shorter one is its own label and value; one with a blank label is
        // skipped; a later label wins; a longer label is cut at the column.
        QTest::newRow("label column")
            << "General\nComplete name : a.avi\nBare          :\nShort\n              : no label\n"
               "Format        : AVI\nFormat        :   AVI 1.0  \nA very long label name: x\n\nAfter a blank  : out\n"
            << "general: A very long la=el name: x; Bare=; Complete name=a.avi; Format=AVI 1.0; Short=Short\n"
               "video: "
            << true;
        // A section ends at the next heading too; the main file is the one with the largest
        // video stream, the first one on a tie.
        const QString tie = section("General", {{"Complete name", "a.mkv"}}).chopped(1)
                            + section("Video", {{"Stream size", "700 MiB (90%)"}}).chopped(1)
                            + section("Audio #1", {{"ID", "2"}}).chopped(1) + section("Audio #2", {{"ID", "3"}});
        QTest::newRow("headings without blank lines, sizes tied")
            << tie + QString(tie).replace("a.mkv", "b.mkv").replace("\"2\"", "\"4\"")
            << "general: Complete name=a.mkv\nvideo: Stream size=700 MiB (90%)\naudio: ID=2\naudio: ID=3" << true;
        QTest::newRow("the larger video stream")
            << QString(tie).replace("700", "350") + QString(tie).replace("a.mkv", "b.mkv")
            << "general: Complete name=b.mkv\nvideo: Stream size=700 MiB (90%)\naudio: ID=2\naudio: ID=3" << true;
        QTest::newRow("no Complete name: nothing filled")
            << section("General", {{"Format", "AVI"}}) + section("Video", {{"Width", "320 pixels"}})
            << "general: \nvideo: " << false;
    }

    void parseData()
    {
        QFETCH(QString, report);
        QFETCH(QString, expected);
        QFETCH(bool, parsed);
        InterfaceStatus status;
        status.state = InterfaceStatus::Ready;
        MediaInfoData data;
        InterfaceMediaInfo mediaInfo;
        mediaInfo.init("mediainfo", &data, &status);
        data.rawText = report;
        QCOMPARE(mediaInfo.parseData(&data), parsed);
        QCOMPARE(describe(data), expected);
        QCOMPARE(status.state, int(InterfaceStatus::Ready)); // one file says nothing of the utility
    }

    // 64 KB of headings without blank lines between them once took seconds and gigabytes.
    void parseDataIsLinear()
    {
        QString report = "General\nComplete name : a.mkv\n";
        for (int i = 0; report.size() < 64 * 1024; ++i)
            report += "Audio #" + QString::number(i) + '\n';
        QElapsedTimer clock;
        clock.start();
        bool parsed = false;
        const MediaInfoData data = parse(report, &parsed);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(parsed && data.audioStreams.isEmpty());
    }

    void durationAndBitRate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number");
        QTest::newRow("1 min 15 s") << "1 min 15 s" << 75.0;
        QTest::newRow("1 h 2 min") << "1 h 2 min" << 3720.0;
        QTest::newRow("1h 23mn") << "1h 23mn" << 4980.0;
        QTest::newRow("3 s 40 ms") << "3 s 40 ms" << 3.04;
        QTest::newRow("30s 500ms") << "30s 500ms" << 30.5;
        QTest::newRow("1 376 kb/s") << "1 376 kb/s" << 1376.0;
        QTest::newRow("1 500 Kbps") << "1 500 Kbps" << 1500.0;
    }

    void durationAndBitRate()
    {
        QFETCH(QString, text);
        QFETCH(double, number);
        const bool isRate = text.endsWith("/s") || text.endsWith("bps");
        QCOMPARE(isRate ? MediaInfoData::bitRateKbps(text) : MediaInfoData::durationSeconds(text), number);
    }

    void realClips_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("facts"); // "section/label=value"; audio and text: the first map
        QTest::addColumn<QString>("streams");

        const QString folder = TestMedia::folder() + "/General/l'été \"General\"";
        QDir().mkpath(folder);
        const QString avi = folder + "/General vidéo.avi";
        QFile::remove(avi);
        QFile::copy(TestMedia::standardAvi(), avi);
        QTest::newRow("AVI in a folder named General")
            << avi << QStringList{"general/Format=AVI", "video/Format=MPEG-4 Visual", "video/Display aspect ratio=4:3",
                                  "video/Frame rate=25.000 FPS", "audio/Bit rate=128 kb/s"}
            << "audio 1, text 0";
        // "Unique ID" comes before "Complete name": it is not one of the General fields.
        QTest::newRow("MKV with a title and subtitles")
            << subtitledMkv() << QStringList{"general/Unique ID=", "video/Format=AVC", "audio/Title=Général commentaire",
                                             "audio/Language=French", "text/Language=English"}
            << "audio 1, text 1";
        QTest::newRow("text file named .avi: no streams, what the player refuses it by")
            << writeBadMedia("text") << QStringList{"video/Format="} << "audio 0, text 0";
    }

    void realClips()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, facts);
        QFETCH(QString, streams);
        const MediaInfoData data = analyse(path);
        QCOMPARE(data.generalFields.value("Complete name"), path);
        QCOMPARE(QString("audio %1, text %2").arg(data.audioStreams.size()).arg(data.textStreams.size()), streams);
        for (const QString &fact : facts) {
            const QString where = fact.section('/', 0, 0);
            const QString label = fact.section('/', 1).section('=', 0, 0);
            const MediaInfoData::Fields fields = where == "general" ? data.generalFields
                                                 : where == "video" ? data.videoFields
                                                 : where == "audio" ? data.audioStreams.value(0)
                                                                    : data.textStreams.value(0);
            QCOMPARE(where + '/' + label + '=' + fields.value(label), fact);
        }
        if (!data.videoFields.isEmpty()) { // today's form: "3 s 40 ms"
            const double seconds = MediaInfoData::durationSeconds(data.videoFields.value("Duration"));
            QVERIFY2(qAbs(seconds - 3.0) < 0.1, qPrintable(data.videoFields.value("Duration")));
        }
    }

    // Of a folder's reports, the file with the largest video stream: the 8 s title's VOB, not an
    // IFO or BUP (sizes in KiB) listed before it.
    void realDvdFolder()
    {
        const QString dvd = TestMedia::dvdFolder();
        QVERIFY2(!dvd.isEmpty(), "the DVD folder could not be made");
        const MediaInfoData data = analyse(dvd + "/VIDEO_TS");
        QVERIFY2(data.generalFields.value("Complete name").endsWith("VTS_01_1.VOB"),
                 qPrintable(data.generalFields.value("Complete name")));
        QCOMPARE(data.videoFields.value("Display aspect ratio"), QString("16:9"));
        QCOMPARE(data.audioStreams.size(), 2);
    }
};

VEXO_TEST_CLASS(TestInterfaceMediaInfo)
#include "tst_interfacemediainfo.moc"
