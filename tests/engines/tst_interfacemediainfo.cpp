// MediaInfo's command lines and the parsers of its version banner and text report: reports in
// the older form of the Windows builds (CR LF, "1h 23mn", "Kbps") and the real utility's
// (MediaInfo 23.04) on clips made here.

#include "engines/interfacemediainfo.h"
#include "engines/interfacestatus.h"
#include "engines/mediainfodata.h"
#include "enginetesting.h"
#include "testregistry.h"

#include <QRegularExpression>
#include <QTest>

namespace {
// One report section as MediaInfo prints it: the heading, then "label : value" lines with
// the labels padded to the column (40 today, 32 in the older form), then an empty line.
QString section(const QString &heading, const QList<QPair<QString, QString>> &fields, int column = 40)
{
    QString text = heading + '\n';
    for (const auto &field : fields)
        text += field.first.leftJustified(column) + " : " + field.second + '\n';
    return text + '\n';
}

// The reports of the files of a DVD folder, whose video streams have the given sizes.
QString folderReport(const QStringList &videoSizes)
{
    QString report;
    for (int i = 0; i < videoSizes.size(); ++i)
        report += section("General", {{"Complete name", QString("/dvd/General/file%1").arg(i)}})
                  + section("Video", {{"Stream size", videoSizes.at(i)}})
                  + section("Audio", {{"ID", QString::number(i)}});
    return report;
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

MediaInfoData parse(const QString &report, InterfaceStatus *status = nullptr)
{
    MediaInfoData data;
    InterfaceMediaInfo mediaInfo;
    mediaInfo.init("mediainfo", &data, status);
    data.rawText = report;
    mediaInfo.parseData(&data);
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
    void commandLines();
    void parseStatus_data();
    void parseStatus();
    void parseData_data();
    void parseData();
    void durationAndBitRate_data();
    void durationAndBitRate();
    void realClips_data();
    void realClips();
    void realDvdFolder();
};

void TestInterfaceMediaInfo::commandLines()
{
    InterfaceMediaInfo mediaInfo;
    mediaInfo.init("/opt/mediainfo/mediainfo", nullptr, nullptr);
    QString program;
    QStringList arguments;
    mediaInfo.cliCmdGetStatus(program, arguments);
    QCOMPARE(program + ' ' + arguments.join(' '), QString("/opt/mediainfo/mediainfo --version"));
    // "--LogFile=..." would make MediaInfo write a file: a name like that stays a name.
    mediaInfo.cliCmdGetInfo("--LogFile=x.avi", program, arguments);
    QCOMPARE(arguments, QStringList{"./--LogFile=x.avi"});
}

void TestInterfaceMediaInfo::parseStatus_data()
{
    QTest::addColumn<int>("stateBefore");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("version"); // empty: not parsed (state 2, old values kept)

    QString today;
    TestMedia::run("mediainfo", {"--version"}, &today);
    QTest::newRow("the real MediaInfo 23.04") << 1 << today << "v23.04";
    QTest::newRow("Windows build, CR LF") << 1 << "MediaInfo Command line, \r\nMediaInfoLib - v0.7.42\r\n"
                                         << "v0.7.42";
    QTest::newRow("another program") << 1 << "ffprobe version 5.1.9\n" << "";
    QTest::newRow("nothing captured yet") << 0 << today << "";
}

void TestInterfaceMediaInfo::parseStatus()
{
    QFETCH(int, stateBefore);
    QFETCH(QString, output);
    QFETCH(QString, version);
    InterfaceStatus status;
    status.state = stateBefore;
    status.stdOut = output.toUtf8();
    status.signature = "old";
    status.version = "0.9";
    InterfaceMediaInfo mediaInfo;
    mediaInfo.init("mediainfo", nullptr, &status);
    mediaInfo.parseStatus();
    QCOMPARE(status.state, version.isEmpty() ? 2 : 3);
    QCOMPARE(status.signature, version.isEmpty() ? QString("old") : QString("MediaInfo Command line"));
    QCOMPARE(status.version, version.isEmpty() ? QString("0.9") : version);
}

void TestInterfaceMediaInfo::parseData_data()
{
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("parsed"); // false: the status record says so

    // The older form: a narrower column, numbered sections, "General" in the path and a title.
    QTest::newRow("older form, CR LF")
        << QString(section("General", {{"Complete name", "C:\\General\\a.avi"}, {"Duration", "1h 23mn"}}, 32)
                   + section("Video", {{"Bit rate", "1 000 Kbps"}}, 32)
                   + section("Audio #1", {{"ID", "1"}}, 32)
                   + section("Audio #2", {{"Channel positions", "Front: L C R"}, {"Title", "General cut"}}, 32)
                   + section("Text #1", {{"Language", "French"}}, 32))
               .replace("\n", "\r\n")
        << "general: Complete name=C:\\General\\a.avi; Duration=1h 23mn\nvideo: Bit rate=1 000 Kbps\n"
           "audio: ID=1\naudio: Channel positions=Front: L C R; Title=General cut\ntext: Language=French"
        << true;
    QTest::newRow("two video streams: the first; a report ending inside a section")
        << section("General", {{"Complete name", "two.mkv"}}) + section("Video #1", {{"ID", "1"}})
               + section("Video #2", {{"ID", "2"}}) + section("Audio", {{"ID", "3"}}).chopped(2)
        << "general: Complete name=two.mkv\nvideo: ID=1\naudio: ID=3" << true;
    QTest::newRow("an Audio section without fields adds no map")
        << "General\nComplete name : a.mka\n\nAudio\n\nAudio #2\nID            : 2\n\n"
        << "general: Complete name=a.mka\nvideo: \naudio: ID=2" << true;
    // The column (14) comes from "Complete name". A line of column + 1 characters has an
    // empty value; a shorter one is its own label and value; one with a blank label is
    // skipped; a later label wins; a longer label is cut at the column.
    QTest::newRow("label column")
        << "General\nComplete name : a.avi\nBare          :\nShort\n              : no label\n"
           "Format        : AVI\nFormat        :   AVI 1.0  \nA very long label name: x\n\n"
        << "general: A very long la=el name: x; Bare=; Complete name=a.avi; Format=AVI 1.0; Short=Short\n"
           "video: "
        << true;
    QTest::newRow("invalid UTF-8 in the path")
        << QString::fromUtf8("General\nComplete name : /tmp/\xff\xfe.avi\n\nAudio\nFormat        : AC-3\n")
        << QString("general: Complete name=/tmp/\uFFFD\uFFFD.avi\nvideo: \naudio: Format=AC-3") << true;
    QTest::newRow("no Complete name: nothing filled")
        << section("General", {{"Format", "AVI"}}) + section("Video", {{"Width", "320 pixels"}})
        << "general: \nvideo: " << false;
    QTest::newRow("Complete name but no General heading")
        << "Complete name : a.avi\n\nVideo\nWidth : 1\n" << "general: \nvideo: " << true;
    // Of several files' reports, the one with the largest video stream (the earlier of equals).
    const QString mainFile =
        "general: Complete name=/dvd/General/file%1\nvideo: Stream size=%2\naudio: ID=%1";
    QTest::newRow("the larger file")
        << folderReport({"350 MiB", "700 MiB"}) << mainFile.arg(1).arg("700 MiB") << true;
    QTest::newRow("the earlier of equals")
        << folderReport({"700 MiB", "700 MiB"}) << mainFile.arg(0).arg("700 MiB") << true;
    QTest::newRow("menus in KiB and bytes, title in GiB")
        << folderReport({"12.0 KiB", "1.2 GiB", "900 Bytes"}) << mainFile.arg(1).arg("1.2 GiB") << true;
    QTest::newRow("no readable size: the first")
        << folderReport({"big", "bigger"}) << mainFile.arg(0).arg("big") << true;
    QTest::newRow("FFprobe's answer")
        << "[FORMAT]\nformat_name=avi\n[/FORMAT]\n" << "general: \nvideo: " << false;
}

void TestInterfaceMediaInfo::parseData()
{
    QFETCH(QString, report);
    QFETCH(QString, expected);
    QFETCH(bool, parsed);
    InterfaceStatus status;
    status.state = InterfaceStatus::Ready;
    const MediaInfoData data = parse(report, &status);
    QCOMPARE(describe(data), expected);
    QCOMPARE(data.rawText, report);
    QCOMPARE(status.state, parsed ? int(InterfaceStatus::Ready) : int(InterfaceStatus::ParseFailed));
    InterfaceMediaInfo().parseData(nullptr); // no record: nothing to do, no crash
}

void TestInterfaceMediaInfo::durationAndBitRate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");
    QTest::newRow("3 s 40 ms") << "3 s 40 ms" << 3.04;
    QTest::newRow("1 min 15 s") << "1 min 15 s" << 75.0;
    QTest::newRow("1 h 2 min") << "1 h 2 min" << 3720.0;
    QTest::newRow("26  ms") << "26  ms" << 0.026;
    QTest::newRow("1h 23mn") << "1h 23mn" << 4980.0;
    QTest::newRow("30s 500ms") << "30s 500ms" << 30.5;
    QTest::newRow("1 376 kb/s") << "1 376 kb/s" << 1376.0;
    QTest::newRow("12.3 Mb/s") << "12.3 Mb/s" << 12300.0;
    QTest::newRow("800 b/s") << "800 b/s" << 0.8;
    QTest::newRow("1 500 Kbps") << "1 500 Kbps" << 1500.0;
    QTest::newRow("Variable") << "Variable" << 0.0;
}

void TestInterfaceMediaInfo::durationAndBitRate()
{
    QFETCH(QString, text);
    QFETCH(double, number);
    const bool isRate = text.endsWith("/s") || text.endsWith("bps");
    QCOMPARE(isRate ? MediaInfoData::bitRateKbps(text) : MediaInfoData::durationSeconds(text), number);
}

void TestInterfaceMediaInfo::realClips_data()
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
        << avi << QStringList{"general/Complete name=" + avi, "general/Format=AVI",
                              "video/Format=MPEG-4 Visual",
                              "video/Width=320 pixels", "video/Display aspect ratio=4:3",
                              "video/Frame rate=25.000 FPS", "audio/Format=MPEG Audio",
                              "audio/Channel(s)=1 channel", "audio/Bit rate=128 kb/s"}
        << "audio 1, text 0";
    const QString mkv = subtitledMkv();
    // "Unique ID" comes before "Complete name": it is not one of the General fields.
    QTest::newRow("MKV with a title and subtitles")
        << mkv << QStringList{"general/Complete name=" + mkv, "general/Unique ID=", "video/Format=AVC",
                              "audio/Title=Général commentaire", "audio/Language=French",
                              "audio/Delay relative to video=-23 ms", "text/Language=English"}
        << "audio 1, text 1";
    QTest::newRow("text file named .avi: no streams, what the player refuses it by")
        << writeBadMedia("text") << QStringList{"video/Format="} << "audio 0, text 0";
}

void TestInterfaceMediaInfo::realClips()
{
    QFETCH(QString, path);
    QFETCH(QStringList, facts);
    QFETCH(QString, streams);
    const MediaInfoData data = analyse(path);
    QCOMPARE(data.generalFields.value("Complete name"), path);
    QCOMPARE(QString("audio %1, text %2").arg(data.audioStreams.size()).arg(data.textStreams.size()),
             streams);
    for (const QString &fact : facts) {
        const QString where = fact.section('/', 0, 0);
        const QString label = fact.section('/', 1).section('=', 0, 0);
        const MediaInfoData::Fields fields = where == "general" ? data.generalFields
                                             : where == "video" ? data.videoFields
                                             : where == "audio" ? data.audioStreams.value(0)
                                                                : data.textStreams.value(0);
        QCOMPARE(where + '/' + label + '=' + fields.value(label), fact);
    }
    if (!data.videoFields.isEmpty()) {
        const double seconds = MediaInfoData::durationSeconds(data.videoFields.value("Duration"));
        QVERIFY2(qAbs(seconds - 3.0) < 0.1, qPrintable(data.videoFields.value("Duration")));
    }
}

void TestInterfaceMediaInfo::realDvdFolder()
{
    const QString dvd = TestMedia::dvdFolder();
    QVERIFY2(!dvd.isEmpty(), "the DVD folder could not be made");
    const MediaInfoData data = analyse(dvd + "/VIDEO_TS");
    QVERIFY(data.rawText.count(QRegularExpression("^General$", QRegularExpression::MultilineOption)) > 3);
    // The main file is the one with the largest video stream: the 8 s title's VOB, not an
    // IFO or BUP listed before it.
    QVERIFY2(data.generalFields.value("Complete name").endsWith("VTS_01_1.VOB"),
             qPrintable(data.generalFields.value("Complete name")));
    QCOMPARE(data.videoFields.value("Display aspect ratio"), QString("16:9"));
    QCOMPARE(data.audioStreams.size(), 2);
}

VEXO_TEST_CLASS(TestInterfaceMediaInfo)
#include "tst_interfacemediainfo.moc"
