// Every fixed target and every container that the encoder offers, from a DVD title, a movie
// file and an audio-only file, through the engines the encoder picks on today's engines:
// each row gives a file that ffprobe reads with the expected streams, length and display
// aspect, or is refused with its reason before anything runs. The table is printed.

#include "encodertesting.h"
#include "builders/interfacemencoder.h"
#include "encoder/encodingstep.h"
#include "encoder/records/enginetype.h"
#include "outputreport.h"
#include "testregistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

namespace {

enum class Kind { Dvd, Movie, AudioOnly };

struct Row
{
    Row(Kind kind, const QString &target, const QString &video = {}, const QString &audio = {})
        : kind(kind), target(target), video(video), audio(audio) {}
    Kind kind;
    QString target; // a container, or a fixed target: "VCD", "SVCD", "Xvid", "aspect", "extract"
    QString video, audio;
    QString road;   // the engines that run, or empty when refused
    QString refusal;
    QList<EncodingStep> steps;
    QString outcome; // "ok ..." or the fault
};

const char *kindName(Kind kind)
{
    return kind == Kind::Dvd ? "DVD title" : kind == Kind::Movie ? "movie file" : "audio file";
}

QString audioOnlyClip()
{
    return TestMedia::clip("tone.mp3", {"-f", "lavfi", "-i", "sine=frequency=440:duration=3",
                                        "-c:a", "libmp3lame", "-b:a", "128k"});
}

void setSource(Encoder &encoder, Kind kind)
{
    if (kind == Kind::Dvd)
        setDvdSource(encoder, TestMedia::dvdFolder(), 2);
    else if (kind == Kind::Movie)
        setClipSource(encoder, TestMedia::standardAvi());
    else
        setAudioOnlySource(encoder, audioOnlyClip());
}

// The codec ffprobe names for a codec of the vocabulary ("" for none).
QString probed(const QString &codec)
{
    static const QMap<QString, QString> names{
        {"x264", "h264"}, {"x264_lr", "h264"}, {"x264_hd", "h264"}, {"x264_psp", "h264"},
        {"xvid", "mpeg4"}, {"aac_lr", "aac"}, {"aac_hq", "aac"}, {"aac_flv", "aac"},
        {"mp3_lr", "mp3"}, {"mp3_flv", "mp3"}, {"mp2_vcd", "mp2"}, {"amrnb", "amr_nb"},
        {"pcm", "pcm_s16le"}, {"novideo", ""}, {"noaudio", ""}};
    return names.value(codec, codec);
}

// The containers that the encoder offers for a source, as the front end lists them.
QStringList offeredContainers(Kind kind)
{
    QStringList muxers = InterfaceMEncoder().muxers();
    if (kind == Kind::AudioOnly)
        muxers.removeIf([](const QString &m) { return !QStringList{"wav", "mp3", "m4a", "au", "ac3"}.contains(m); });
    if (kind == Kind::Dvd)
        muxers.removeIf([](const QString &m) { return m == "ogg" || m == "webm"; });
    muxers.removeDuplicates();
    return muxers;
}

} // namespace

class EncoderTargetsTest : public QObject
{
    Q_OBJECT

private slots:
    void everyOfferedTargetGivesFileOrRefusal();
    void shortDvdTitleSoundStartsWithTheFile_data();
    void shortDvdTitleSoundStartsWithTheFile();

private:
    void prepareContainer(ConsoleEncoder &e, Row &row, const QString &sourceName);
    void prepareFixed(Row &row);
    static QString judge(const Row &row);
};

void EncoderTargetsTest::prepareContainer(ConsoleEncoder &e, Row &row, const QString &sourceName)
{
    setSource(e.encoder, row.kind);
    e->setTargetMuxer(row.target);
    const int type = e->preferredEngine();
    EncodingTarget &target = e->jobData(type)->target;
    target.muxer = row.target;
    target.profile.level = EncoderProfile::LevelUser;
    target.video.codec = row.video;
    target.video.pictureSize = row.video == "h263" ? QSize(176, 144) : QSize(320, 240);
    target.video.bitrate = 600;
    target.audio.codec = row.audio;
    target.audio.bitrate = row.audio.startsWith("amr") ? 12.2 : 128;
    target.audio.samplingRate = row.audio.startsWith("amr") ? 8000 : 44100;
    const QString output = scratch(sourceName + "-" + row.target + e->outputTarget().extension);
    row.steps = e->cliCmdEncodeSteps(output, 0, 0, 0, row.refusal);
    if (row.steps.isEmpty())
        return;
    // MEncoder writes the sound of an audio target into an intermediate AVI whose audio the
    // encoder panel then extracts with FFmpeg when it finalises the encoding.
    const EncodingStep &last = row.steps.last();
    const QString written = last.arguments.value(last.arguments.lastIndexOf("-o") + 1);
    if (last.type == EngineType::MEncoder && written != output) {
        EncodingStep extract{EngineType::FFmpeg, QString(), QStringList(), output, {}};
        e->cliCmdExtractAudio(EngineType::FFmpeg, extract.program, extract.arguments, written, output);
        row.steps[row.steps.size() - 1].output = written;
        row.steps.append(extract);
    }
    QStringList engines;
    for (const EncodingStep &step : std::as_const(row.steps))
        engines << Encoder::engineName(step.type);
    row.road = engines.join(" then ");
    QString commandLine, out, err;
    if (!e->checkSteps(row.steps, commandLine, out, err, 50, 1000000))
        row.outcome = "trial failed: " + commandLine + " | " + (out + err).right(300).simplified();
    for (const EncodingStep &step : std::as_const(row.steps))
        if (QFileInfo::exists(step.output))
            row.outcome = "the trial left " + step.output;
}

void EncoderTargetsTest::prepareFixed(Row &row)
{
    ConsoleEncoder e;
    e->loadSettings();
    const int type = row.kind == Kind::Dvd || row.target == "Xvid" ? EngineType::MEncoder
                                                                    : EngineType::FFmpeg;
    e->initEngine(type, type == EngineType::MEncoder ? "mencoder" : "ffmpeg");
    setSource(e.encoder, row.kind);
    e->setTargetMuxer(row.target == "Xvid" || row.target == "aspect" ? "avi"
                      : row.target == "extract"                    ? "mp3"
                                                                   : "mpeg");
    const QString name = QString(kindName(row.kind)).replace(' ', '-') + "-" + row.target;
    e->setTarget(QFileInfo(scratch(name)).path(), name);
    QFile::remove(e->outputFile());
    EncodingStep step{type, QString(), QStringList(), e->outputFile(), {}};
    const QString input = e->sourcePath();
    if (row.target == "VCD")
        e->cliCmdTargetVcd(type, step.program, step.arguments, input, step.output, e->tvStandard());
    else if (row.target == "SVCD")
        e->cliCmdTargetSvcd(type, step.program, step.arguments, input, step.output, e->tvStandard());
    else if (row.target == "Xvid")
        e->cliCmdTargetXvid(type, step.program, step.arguments, e->source());
    else if (row.target == "aspect")
        e->cliCmdAspectCorrection(type, step.program, step.arguments, input, step.output, 16.0 / 9.0);
    else
        e->cliCmdExtractAudio(type, step.program, step.arguments, input, step.output);
    row.steps = {step};
    row.road = Encoder::engineName(type);
    QString commandLine, out, err;
    if (!e->checkCommand(type, step.program, step.arguments, step.output, commandLine, out, err,
                         type == EngineType::MEncoder ? 50 : 1000000))
        row.outcome = "trial failed: " + commandLine + " | " + (out + err).right(300).simplified();
}

QString EncoderTargetsTest::judge(const Row &row)
{
    if (row.steps.isEmpty())
        return QString(); // refused
    const OutputReport file = probeOutput(row.steps.last().output, false);
    const auto first = [&](const char *type) {
        const QStringList streams = file.streams.filter(QString(",") + type);
        return streams.isEmpty() ? QString() : streams.first().section(',', 0, 0);
    };
    const QString video = first("video"), audio = first("audio");
    QString expectedVideo = probed(row.video), expectedAudio = probed(row.audio);
    if (row.target == "VCD" || row.target == "SVCD") {
        expectedVideo = row.target == "VCD" ? "mpeg1video" : "mpeg2video";
        expectedAudio = "mp2";
    } else if (row.target == "Xvid" || row.target == "aspect") {
        expectedVideo = "mpeg4";
        expectedAudio = "mp3";
    } else if (row.target == "extract") {
        expectedVideo.clear();
        expectedAudio = "mp3";
    }
    QStringList faults;
    if (video != expectedVideo || audio != expectedAudio)
        faults << QStringLiteral("streams %1/%2, expected %3/%4").arg(video, audio, expectedVideo, expectedAudio);
    if (file.duration < 2.5 || file.duration > 3.5)
        faults << QStringLiteral("length %1 s").arg(file.duration);
    // The picture keeps the source's shape, or the shape the target asked for.
    const double wanted = row.target == "aspect" ? 16.0 / 9.0 : 4.0 / 3.0;
    if (!expectedVideo.isEmpty() && std::abs(file.displayAspect - wanted) > 0.05)
        faults << QStringLiteral("display aspect %1").arg(file.displayAspect);
    return faults.isEmpty() ? QStringLiteral("ok %1/%2 %3 s %4").arg(video, audio)
                                  .arg(file.duration, 0, 'f', 2).arg(file.displayAspect, 0, 'f', 2)
                            : faults.join("; ");
}

void EncoderTargetsTest::everyOfferedTargetGivesFileOrRefusal()
{
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!TestMedia::dvdFolder().isEmpty() && !TestMedia::standardAvi().isEmpty()
            && !audioOnlyClip().isEmpty());
    Encoder vocabulary(nullptr, nullptr, nullptr, nullptr, LogLevel::Quiet);
    QList<Row> rows;
    for (Kind kind : {Kind::Dvd, Kind::Movie}) {
        for (const char *target : {"VCD", "SVCD", "Xvid"})
            rows.append(Row(kind, target));
    }
    rows.append(Row(Kind::Movie, "aspect"));
    rows.append(Row(Kind::Movie, "extract"));
    for (Kind kind : {Kind::Dvd, Kind::Movie, Kind::AudioOnly}) {
        QStringList containers = offeredContainers(kind);
        for (const QString &container : std::as_const(containers)) {
            QString video = kind == Kind::AudioOnly ? "novideo" : vocabulary.defaultVideoCodec(container);
            if (video == "x264_divx") // never offered
                video = "x264";
            rows.append(Row(kind, container, video, vocabulary.defaultAudioCodec(container, video)));
        }
        // The targets with AAC sound that MEncoder cannot give a DVD title today, and the
        // containers whose default codecs the front end does not offer, with codecs it does.
        if (kind != Kind::AudioOnly) {
            rows.append(Row(kind, "mp4", "x264", "aac"));
            rows.append(Row(kind, "mkv", "x264", "ac3"));
            rows.append(Row(kind, "mkv", "xvid", "mp3"));
            rows.append(Row(kind, "flv", "x264", "aac_flv"));
            if (kind == Kind::Movie)
                rows.append(Row(kind, "webm", "vp8", "vorbis"));
        }
        rows.append(Row(kind, "m4a", "novideo", "aac"));
    }
    ConsoleEncoder e; // one encoder, as the encoder panel keeps one
    QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
    QVERIFY(e->initEngine(EngineType::FFmpeg, "ffmpeg"));
    for (Row &row : rows) {
        const QString source = QString(kindName(row.kind)).replace(' ', '-');
        if (row.video.isEmpty() && row.audio.isEmpty())
            prepareFixed(row);
        else
            prepareContainer(e, row, source + "-" + row.video + "-" + row.audio);
    }
    runAndJudge<Row>(rows, [](const Row &row) {
        QList<QStringList> commands;
        for (const EncodingStep &step : row.steps)
            commands.append(QStringList{step.program} + step.arguments);
        return commands;
    }, &EncoderTargetsTest::judge, [](const Row &row) {
        QStringList written;
        for (const EncodingStep &step : row.steps)
            written << step.output;
        return written;
    });
    // A row fails when it gives no good file, or is refused without a reason.
    QStringList failures;
    for (const Row &row : std::as_const(rows)) {
        const QString what = QStringLiteral("%1 %2 %3 %4").arg(kindName(row.kind), -11).arg(row.target, -10)
                                 .arg(row.video, -10).arg(row.audio, -10);
        const bool refused = row.steps.isEmpty();
        qInfo().noquote() << what << (refused ? "refused: " + row.refusal : row.road.leftJustified(20) + row.outcome);
        if (refused ? row.refusal.isEmpty() : !row.outcome.startsWith("ok"))
            failures << what;
        if (!refused && !row.outcome.startsWith("ok"))
            for (const EncodingStep &step : std::as_const(row.steps))
                qInfo().noquote() << "    " << step.program << step.arguments.join(' ');
    }
    qInfo("%d rows, %d failed, %d s", int(rows.size()), int(failures.size()), int(timer.elapsed() / 1000));
    QCOMPARE(failures, QStringList());
}

// A one-second DVD title through the copy of its stream and FFmpeg's encode: the file
// decodes clean (AVI fills a late sound start with empty chunks that the decoder refuses),
// and its sound starts with its picture.
void EncoderTargetsTest::shortDvdTitleSoundStartsWithTheFile_data()
{
    addColumns<QString, QString, int, double>({"muxer", "audio", "rate", "bitrate"});
    QTest::newRow("avi aac_lr") << "avi" << "aac_lr" << 32000 << 48.0;
    QTest::newRow("avi aac_flv") << "avi" << "aac_flv" << 44100 << 64.0;
    QTest::newRow("mp4 aac") << "mp4" << "aac" << 44100 << 64.0;
}

void EncoderTargetsTest::shortDvdTitleSoundStartsWithTheFile()
{
    QFETCH(QString, muxer);
    QFETCH(QString, audio);
    const QString folder = TestMedia::shortDvdFolder();
    QVERIFY(!folder.isEmpty());
    ConsoleEncoder e;
    QVERIFY(e->initEngine(EngineType::MEncoder, "mencoder"));
    QVERIFY(e->initEngine(EngineType::FFmpeg, "ffmpeg"));
    setDvdSource(e.encoder, folder);
    e->setTargetMuxer(muxer);
    EncodingTarget &target = e->jobData(e->preferredEngine())->target;
    target.muxer = muxer;
    target.profile.level = EncoderProfile::LevelUser;
    target.video.codec = muxer == "avi" ? "xvid" : "x264";
    target.video.pictureSize = QSize(624, 352);
    target.video.bitrate = 896;
    target.audio.codec = audio;
    target.audio.samplingRate = fetched<int>("rate");
    target.audio.bitrate = fetched<double>("bitrate");
    QString refusal;
    const QString output = scratch("short-dvd-" + audio + e->outputTarget().extension);
    const QList<EncodingStep> steps = e->cliCmdEncodeSteps(output, 0, 0, 0, refusal);
    QCOMPARE(steps.size(), 2);
    QList<QStringList> chain;
    for (const EncodingStep &step : steps)
        chain << QStringList{step.program} + step.arguments;
    QCOMPARE(runChains({chain}), QStringList{QString()});
    QCOMPARE(TestMedia::decodeErrors(output), QString());
    QString starts;
    QCOMPARE(TestMedia::run("ffprobe", {"-v", "error", "-show_entries", "stream=codec_type,start_time",
                                        "-of", "csv=p=0", output}, &starts), 0);
    QCOMPARE(starts.split('\n', Qt::SkipEmptyParts), QStringList({"video,0.000000", "audio,0.000000"}));
}

VEXO_TEST_CLASS(EncoderTargetsTest)
#include "tst_encodertargets.moc"
