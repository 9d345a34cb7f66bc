// The profile configurators on an encoder with the installed engines: remembered levels,
// the profile group, the user-settings option tree and its round trip through the settings.

#include "encodertesting.h"
#include "encoder/configurator.h"
#include "encoder/encoder.h"
#include "encoder/mervoconfigurator.h"
#include "encoder/records/enginetype.h"
#include "encoder/records/sourcekind.h"
#include "testregistry.h"

#include <QRegularExpression>
#include <QSettings>
#include <QTest>

#include <functional>
#include <memory>

namespace {
constexpr int kMEncoder = EngineType::MEncoder;
constexpr int kFFmpeg = EngineType::FFmpeg;

// An encoder on the installed engines, with consoles of its own.
struct InstalledEngines
{
    InstalledEngines()
    {
        console.encoder.initEngine(kMEncoder, "mencoder");
        console.encoder.initEngine(kFFmpeg, "ffmpeg");
    }
    ConsoleEncoder console;
};

void setSource(Encoder &encoder, int kind, const QString &audioCodec, QSize size = {1024, 576})
{
    EncodingSource &source = encoder.source();
    source.kind = kind;
    source.noVideo = source.noAudio = false;
    source.video.kind = kind == SourceKind::Dvd ? VideoInfo::DvdTitle : VideoInfo::MediaFile;
    source.video.standard = "PAL";
    source.video.frameRate = 25.0;
    source.video.width = source.video.scaledWidth = size.width();
    source.video.height = source.video.scaledHeight = size.height();
    source.audio.codec = audioCodec;
    source.audio.samplingRate = 48000;
    source.audio.bitrate = 192;
}
} // namespace

class TestConfigurator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_engines = std::make_unique<InstalledEngines>();
        m_encoder = &m_engines->console.encoder;
        QVERIFY(m_encoder->isEngineReady(kMEncoder));
    }
    void init() { clearSettings(); }

    // The level a configure starts at, from the stored "Encoder/Last Profile/<muxer>".
    void rememberedLevels_data()
    {
        addColumns<bool, int, int, QString, QString, QString, QString, QString, int>({"extended", "type", "kind", "sourceAudio", "muxer", "video", "audio", "stored", "level"});
        const int file = SourceKind::MediaFile, dvd = SourceKind::Dvd, ffmpeg = kFFmpeg;
        QTest::newRow("user level, base") << false << kMEncoder << file << "mp3" << "avi" << "xvid" << "mp3" << "4" << 2;
        QTest::newRow("user level, extended") << true << kMEncoder << file << "mp3" << "avi" << "xvid" << "mp3" << "4" << 4;
        QTest::newRow("remembered") << false << kMEncoder << file << "mp3" << "avi" << "xvid" << "mp3" << "3" << 3;
        QTest::newRow("garbled") << true << kMEncoder << file << "mp3" << "avi" << "xvid" << "mp3" << "high" << 2;
        QTest::newRow("negative") << true << kMEncoder << file << "mp3" << "avi" << "xvid" << "mp3" << "-1" << 2;
        QTest::newRow("level without presets") << false << kMEncoder << file << "mp2" << "mpeg_vcd" << "mpeg1video" << "mp2_vcd" << "1" << 2;
        // A DVD whose track is not AC3 has no copy to offer: the remembered level stays.
        QTest::newRow("DVD ac3, no copy offered") << false << ffmpeg << dvd << "mp2" << "avi" << "xvid" << "ac3" << "3" << 3;
        QTest::newRow("DVD ac3 user, no copy offered") << true << ffmpeg << dvd << "mp2" << "avi" << "xvid" << "ac3" << "4" << 4;
        QTest::newRow("DVD ac3 copy") << false << ffmpeg << dvd << "ac3" << "ac3" << "novideo" << "ac3" << "3" << 5;
        QTest::newRow("DVD ac3 copy in a movie") << false << ffmpeg << dvd << "ac3" << "avi" << "xvid" << "ac3" << "1" << 5;
        QTest::newRow("DVD ac3 copy, user level") << true << ffmpeg << dvd << "ac3" << "ac3" << "novideo" << "ac3" << "4" << 5;
        QTest::newRow("DVD ac3 copy, invalid level") << false << ffmpeg << dvd << "ac3" << "ac3" << "novideo" << "ac3" << "99" << 2;
        QTest::newRow("copy without an ac3 source") << false << ffmpeg << file << "mp3" << "ac3" << "novideo" << "ac3" << "5" << 2;
        QTest::newRow("copy of an ac3 file") << false << ffmpeg << file << "ac3" << "ac3" << "novideo" << "ac3" << "5" << 5;
        // MEncoder writes no AAC: a DVD title gets it through the player's copy and FFmpeg,
        // and MEncoder's job, where that road starts, is configured for it.
        QTest::newRow("DVD to AAC through the copy") << false << kMEncoder << dvd << "ac3" << "mp4" << "x264" << "aac" << "3" << 3;
        QTest::newRow("DVD to AAC through the copy, user level") << true << kMEncoder << dvd << "ac3" << "mp4" << "x264" << "aac" << "4" << 4;
        // The job of an engine no road starts from: that engine's own container and codecs.
        QTest::newRow("FFmpeg's own, without sound") << false << ffmpeg << dvd << "ac3" << "mp4" << "x264" << "noaudio" << "3" << 3;
    }

    void rememberedLevels()
    {
        QFETCH(bool, extended);
        QFETCH(int, type);
        QFETCH(int, kind);
        QFETCH(QString, sourceAudio);
        QFETCH(QString, muxer);
        QFETCH(QString, video);
        QFETCH(QString, audio);
        QFETCH(QString, stored);
        QFETCH(int, level);
        if (!m_encoder->isEngineReady(type))
            QSKIP("the engine of this row is not ready here");
        setSource(*m_encoder, kind, sourceAudio);
        if (!stored.isEmpty())
            QSettings().setValue("Encoder/Last Profile/" + muxer, stored);
        std::unique_ptr<Configurator> configurator;
        bool configured = false;
        if (extended) {
            auto mervo = std::make_unique<MervoConfigurator>(m_encoder);
            configured = mervo->buildOptions(type, muxer, video, audio);
            configurator = std::move(mervo);
        } else {
            configurator = std::make_unique<Configurator>(m_encoder);
            configured = configurator->configureProfile(type, muxer, video, audio);
        }
        QVERIFY(configured);
        QCOMPARE(configurator->profileGroup().selectedLevel, level);
        QCOMPARE(m_encoder->jobData(type)->target.profile.level, level);
        QCOMPARE(QSettings().value("Encoder/Last Profile/" + muxer).toInt(), level);
    }

    // The group of Xvid and MP3 for a 16:9 PAL file, and the chosen entry copied on apply.
    void groupAndApply()
    {
        setSource(*m_encoder, SourceKind::MediaFile, "mp3");
        m_encoder->setTargetMuxer("avi");
        Configurator configurator(m_encoder);
        QVERIFY(configurator.configureProfile(kMEncoder, "avi", "xvid", "mp3"));
        ProfileGroup &group = configurator.profileGroup();
        QCOMPARE(group.title, m_encoder->muxerDescription("avi"));
        QStringList rows;
        for (const ProfileChoice &c : group.choices)
            rows << QString("%1 %2 | %3").arg(c.level).arg(c.title, c.summary);
        QCOMPARE(rows, QStringList({
            "1 Lower quality (smaller file) | Xvid video 480x272 768 kbps,  MP3 audio 44.1 kHz 112 kbps",
            "2 Fair quality | Xvid video 624x352 896 kbps,  MP3 audio 44.1 kHz 160 kbps",
            "3 Higher quality (larger file) | Xvid video 624x352 1024 kbps,  MP3 audio 48 kHz 192 kbps"}));
        group.selectedLevel = 3;
        configurator.applyProfile();
        const EncoderProfile &profile = m_encoder->jobData(kMEncoder)->target.profile;
        QCOMPARE(profile.level, 3);
        QCOMPARE(profile.videoBitrate, 1024.0);
        QCOMPARE(configurator.lastProfile("avi"), 3);
        QCOMPARE(configurator.profileLabel(3, "PAL", "avi", "xvid", "mp3"), QString("AVI high profile"));

        // A container or codecs without presets: not supported, the job left alone.
        QVERIFY(!configurator.configureProfile(kMEncoder, "avi", "nosuch", "nosuch"));
        // kMEncoder takes its codecs for "psp" but does not write the container itself.
        QVERIFY(!configurator.configureProfile(kMEncoder, "psp", "x264_psp", "noaudio"));
        // A codec the engine cannot write is not left out of the profiles: the pair is refused.
        QVERIFY(!configurator.configureProfile(kMEncoder, "avi", "xvid", "aac_hq"));
        QVERIFY(!configurator.configureProfile(kMEncoder, "avi", "h263", "mp3"));
        QVERIFY(configurator.configureProfile(kMEncoder, "avi", "novideo", "mp3"));
        QVERIFY(!configurator.configureProfile(7, "avi", "xvid", "mp3"));
        QCOMPARE(m_encoder->jobData(kMEncoder)->target.profile.level, 3);

        // Only the levels a configurator offers read back.
        for (const char *stored : {"4", "-1", "6"}) {
            QSettings().setValue("Encoder/Last Profile/avi", stored);
            QCOMPARE(configurator.lastProfile("avi"), 0);
        }
        QCOMPARE(MervoConfigurator(m_encoder).lastProfile("avi"), 0);
        QSettings().setValue("Encoder/Last Profile/avi", 4);
        QCOMPARE(MervoConfigurator(m_encoder).lastProfile("avi"), 4);
    }

    // The choice lists follow the source: what a DVD cannot feed, what a file cannot copy,
    // audio-only sources, several audio streams, subtitles.
    void sourceLists()
    {
        if (!m_encoder->enginesReady())
            QSKIP("the choice lists need both engines");
        Configurator configurator(m_encoder);
        const auto offered = [&](const QStringList &muxers, auto lists) {
            QStringList all;
            for (const QString &muxer : muxers)
                for (const QString &codec : lists(muxer))
                    all << muxer + ':' + codec;
            return all;
        };
        const auto video = [&](const QString &m) { return configurator.videoCodecChoices(m); };
        const auto audio = [&](const QString &m) { return configurator.audioCodecChoices(m); };

        setSource(*m_encoder, SourceKind::MediaFile, "mp3");
        const QStringList fileMuxers = configurator.muxerChoices();
        QVERIFY(fileMuxers.contains("avi") && fileMuxers.contains("ogg") && fileMuxers.contains("m4a"));
        // MEncoder writes AVI itself and through libavformat; the choice lists it once.
        QCOMPARE(m_encoder->availableMuxers().count("avi"), 2);
        QCOMPARE(fileMuxers.count("avi"), 1);
        QVERIFY(offered(fileMuxers, video).contains("avi:xvid"));
        QVERIFY(offered(fileMuxers, video).filter(":x264_divx").isEmpty());
        QVERIFY(offered(fileMuxers, audio).filter(":ac3_copy").isEmpty());
        QVERIFY(!offered(fileMuxers, video).filter(":theora").isEmpty());
        QVERIFY(!offered(fileMuxers, audio).filter(":vorbis").isEmpty());

        setSource(*m_encoder, SourceKind::Dvd, "ac3");
        const QStringList dvdMuxers = configurator.muxerChoices();
        for (const char *muxer : {"ogg", "webm", "ipod", "m4a", "mov"})
            QVERIFY2(!dvdMuxers.contains(muxer), muxer);
        const QStringList dvdVideo = offered(dvdMuxers, video), dvdAudio = offered(dvdMuxers, audio);
        QVERIFY(dvdVideo.filter(QRegularExpression(":(theora|vp8|x264_divx)$")).isEmpty());
        QVERIFY(dvdAudio.filter(QRegularExpression(":(ac3|alac|vorbis|pcm|amrnb)$")).isEmpty());
        QVERIFY(dvdAudio.contains("avi:ac3_copy"));
        QVERIFY(!dvdAudio.contains("mp4:ac3_copy"));
        // A DVD's LPCM track is encoded into AC3, never copied as AC3.
        m_encoder->source().audio.format = "lpcm";
        const QStringList lpcmAudio = offered(configurator.muxerChoices(), audio);
        QVERIFY2(lpcmAudio.filter(":ac3_copy").isEmpty(), qPrintable(lpcmAudio.join(' ')));
        QVERIFY(lpcmAudio.contains("ac3:ac3") && lpcmAudio.contains("avi:ac3"));
        m_encoder->source().audio.format.clear();

        m_encoder->source().noVideo = true;
        for (const QString &muxer : m_encoder->availableMuxers())
            QVERIFY2(QStringList({"wav", "mp3", "m4a", "au", "ac3"}).contains(muxer), qPrintable(muxer));
        QCOMPARE(configurator.videoCodecChoices("avi"), QStringList{"novideo"});
        m_encoder->source().kind = SourceKind::Unset; // nothing loaded: not narrowed
        QVERIFY(m_encoder->availableMuxers().contains("avi"));

        setSource(*m_encoder, SourceKind::MediaFile, "mp3");
        const QStringList oneStream = configurator.audioCodecChoices("avi");
        // A second track of the file, listed for the engines, leaves the choices as they are.
        m_encoder->source().audioStreams = {AudioInfo(), m_encoder->source().audio};
        QCOMPARE(configurator.audioCodecChoices("avi"), oneStream);
        QVERIFY(!oneStream.contains("multi"));
        m_encoder->source().audioStreams.clear();
        m_encoder->source().noAudio = true;
        QCOMPARE(configurator.audioCodecChoices("avi"), QStringList{"noaudio"});
        // A picture without sound: no container that needs sound.
        const QStringList silentMuxers = configurator.muxerChoices();
        QVERIFY(silentMuxers.contains("avi") && silentMuxers.contains("mp4"));
        for (const char *muxer : {"wav", "mp3", "m4a", "au", "ac3", "psp"})
            QVERIFY2(!silentMuxers.contains(muxer), muxer);

        m_encoder->source().noSubtitle = false;
        QCOMPARE(configurator.subtitleChoices("avi"), QStringList{"inlay"});
        // The file's other subtitle, listed for the engines, leaves the choice as it is: the
        // chosen one alone is drawn.
        m_encoder->source().subtitleStreams = {SubtitleInfo(), m_encoder->source().subtitle};
        QCOMPARE(configurator.subtitleChoices("mkv"), QStringList{"inlay"});
        m_encoder->source().noSubtitle = true;
        QCOMPARE(configurator.subtitleChoices("mkv"), QStringList{"nosubtitle"});
        m_encoder->source().subtitleStreams.clear();
    }

    // The container list is kept from one pick to the next, and made again once anything it
    // is made from changes: each row changes one input under a configurator that has its list.
    void containerListFollowsEachInput_data()
    {
        using Change = std::function<void(Encoder &)>;
        QTest::addColumn<Change>("prepare");
        QTest::addColumn<Change>("change");
        const Change none = [](Encoder &) {};
        const auto failed = [](int type) {
            return Change([type](Encoder &e) { e.interfaceStatus(type)->state = InterfaceStatus::ParseFailed; });
        };
        const Change soundOnly = [](Encoder &e) { e.source().noVideo = true; };
        QTest::newRow("DVD") << none << Change([](Encoder &e) { e.source().kind = SourceKind::Dvd; });
        QTest::newRow("sound only") << none << soundOnly;
        const Change pictureOnly = [](Encoder &e) { e.source().noAudio = true; };
        QTest::newRow("picture only") << none << pictureOnly;
        QTest::newRow("picture, nothing loaded") << pictureOnly << Change([](Encoder &e) { e.source().kind = SourceKind::Unset; });
        // The same engine for both: only the kind of source tells.
        QTest::newRow("sound, nothing loaded") << soundOnly << Change([](Encoder &e) { e.source().kind = SourceKind::Unset; });
        QTest::newRow("FFmpeg not ready") << none << failed(kFFmpeg);
        QTest::newRow("MEncoder not ready") << none << failed(kMEncoder);
        // The same engine answering again, now without the Ogg family's encoders.
        QTest::newRow("FFmpeg without Ogg's encoders") << none << Change([](Encoder &e) {
            e.setEngineBinary(kFFmpeg, writeEngineScript("ffmpeg-without-ogg",
                "[ \"$1\" = -codecs ] || exec ffmpeg \"$@\"\n"
                "ffmpeg \"$@\" | sed -E 's/ (libtheora|libvorbis|vorbis|libvpx|libopus|opus|flac|speex|libspeex) / /g'"));
        });
    }
    void containerListFollowsEachInput()
    {
        QFETCH(std::function<void(Encoder &)>, prepare);
        QFETCH(std::function<void(Encoder &)>, change);
        InstalledEngines engines;
        Encoder &encoder = engines.console.encoder;
        if (!encoder.enginesReady())
            QSKIP("the container list needs both engines");
        setSource(encoder, SourceKind::MediaFile, "mp3");
        prepare(encoder);
        Configurator configurator(&encoder);
        const QStringList before = configurator.muxerChoices();
        QVERIFY(!before.isEmpty());
        QCOMPARE(configurator.muxerChoices(), before);
        change(encoder);
        const QStringList after = configurator.muxerChoices();
        QVERIFY2(after != before, qPrintable(after.join(' ')));
        QCOMPARE(after, Configurator(&encoder).muxerChoices());
    }

    // The source as the lists' inputs compare it: a change of any of its fields, the streams'
    // included, is a change (else the lists of the source before would be kept).
    void sourceComparedWhole_data()
    {
        using Change = std::function<void(EncodingSource &)>;
        QTest::addColumn<Change>("change");
        QTest::newRow("path") << Change([](EncodingSource &s) { s.path = "b.avi"; });
        QTest::newRow("kind") << Change([](EncodingSource &s) { s.kind = SourceKind::Dvd; });
        QTest::newRow("no video") << Change([](EncodingSource &s) { s.noVideo = false; });
        QTest::newRow("no audio") << Change([](EncodingSource &s) { s.noAudio = false; });
        QTest::newRow("no subtitle") << Change([](EncodingSource &s) { s.noSubtitle = false; });
        QTest::newRow("video kind") << Change([](EncodingSource &s) { s.video.kind = VideoInfo::DvdTitle; });
        QTest::newRow("video format") << Change([](EncodingSource &s) { s.video.videoFormat = "h264"; });
        QTest::newRow("file format") << Change([](EncodingSource &s) { s.video.fileFormat = "MPEG-TS"; });
        QTest::newRow("aspect") << Change([](EncodingSource &s) { s.video.aspect = 16.0 / 9; });
        QTest::newRow("frame rate") << Change([](EncodingSource &s) { s.video.frameRate = 50; });
        QTest::newRow("audio codec") << Change([](EncodingSource &s) { s.audio.codec = "ac3"; });
        QTest::newRow("audio format") << Change([](EncodingSource &s) { s.audio.format = "AC-3"; });
        QTest::newRow("channels") << Change([](EncodingSource &s) { s.audio.channelCount = 6; });
        QTest::newRow("subtitle") << Change([](EncodingSource &s) { s.subtitle.sid = 1; });
        QTest::newRow("subtitle format") << Change([](EncodingSource &s) { s.subtitle.format = "dvdsub"; });
        QTest::newRow("audio streams") << Change([](EncodingSource &s) { s.audioStreams << AudioInfo(); });
        QTest::newRow("audio stream") << Change([](EncodingSource &s) { s.audioStreams = {AudioInfo()}; s.audioStreams[0].aid = 2; });
        QTest::newRow("subtitle streams") << Change([](EncodingSource &s) { s.subtitleStreams << SubtitleInfo(); });
        QTest::newRow("video streams") << Change([](EncodingSource &s) { s.videoStreams << VideoInfo(); });
        // What the engines measured of it decides which engine can take it.
        QTest::newRow("rotation") << Change([](EncodingSource &s) { s.facts.rotation = 90; });
        QTest::newRow("field order") << Change([](EncodingSource &s) { s.facts.fieldOrder = "tt"; });
        QTest::newRow("variable rate") << Change([](EncodingSource &s) { s.facts.variableRate = true; });
        QTest::newRow("picture start") << Change([](EncodingSource &s) { s.facts.pictureStart = 1.4; });
        QTest::newRow("sound start") << Change([](EncodingSource &s) { s.facts.sounds = {{"mp2", 2, 1.4, 6}}; });
        QTest::newRow("sound length") << Change([](EncodingSource &s) { s.facts.sounds = {{"mp2", 2, 0, 5}}; });
    }
    void sourceComparedWhole()
    {
        QFETCH(std::function<void(EncodingSource &)>, change);
        EncodingSource base, changed;
        base.audioStreams = changed.audioStreams = {AudioInfo()};
        base.facts.sounds = changed.facts.sounds = {{"mp2", 2, 0, 6}};
        QVERIFY(base == changed);
        change(changed);
        QVERIFY(base != changed);
    }

private:
    std::unique_ptr<InstalledEngines> m_engines;
    Encoder *m_encoder = nullptr;
};

class TestMervoConfigurator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_engines = std::make_unique<InstalledEngines>();
        m_encoder = &m_engines->console.encoder;
        QVERIFY(m_encoder->isEngineReady(kMEncoder));
    }
    void init()
    {
        clearSettings();
        setSource(*m_encoder, SourceKind::Dvd, "ac3");
        EncodingJob &job = *m_encoder->jobData(kMEncoder);
        job.target = EncodingTarget();
        job.source = m_encoder->source();
    }

    // The nodes and items per codec: "node: item labels" for each node of the group.
    void optionTree_data()
    {
        addColumns<int, QString, QString, QString, QStringList>({"type", "muxer", "video", "audio", "nodes"});
        QTest::newRow("x264") << kMEncoder << "mp4" << "x264" << "mp3" << QStringList{ "Video: H.264: Picture: Bitrate: Quality preset: Profile constraints:", "Audio: MP3: Sampling: Bitrate:"};
        QTest::newRow("xvid") << kMEncoder << "avi" << "xvid" << "pcm" << QStringList{ "Video: Xvid: Picture: Bitrate:", "Audio: PCM Linear: Sampling: Bitrate:"};
        QTest::newRow("no video") << kMEncoder << "mp3" << "novideo" << "mp3" << QStringList{"Audio: MP3: Sampling: Bitrate:"};
        QTest::newRow("no audio") << kMEncoder << "ipod" << "mpeg4" << "noaudio" << QStringList{"Video: MPEG-4: Picture: Bitrate:"};
        QTest::newRow("flac") << kFFmpeg << "ogg" << "novideo" << "flac" << QStringList{"Audio: Free Lossless Audio: Sampling:"};
    }

    void optionTree()
    {
        QFETCH(int, type);
        QFETCH(QString, muxer);
        QFETCH(QString, video);
        QFETCH(QString, audio);
        QFETCH(QStringList, nodes);
        if (!m_encoder->isEngineReady(type))
            QSKIP("the engine of this row is not ready here");
        MervoConfigurator configurator(m_encoder);
        m_encoder->jobData(type)->target.muxer = muxer;
        QVERIFY(configurator.buildOptions(type, muxer, video, audio));
        const OptionNode &root = configurator.optionRoot();
        QCOMPARE(root.title, m_encoder->muxerDescription(muxer));
        QCOMPARE(int(root.children.size()), 1);
        QCOMPARE(root.children[0]->title, QString("User settings"));
        QStringList actual;
        for (const auto &node : root.children[0]->children) {
            QString text = node->title + ':';
            for (const auto &item : node->items)
                text += ' ' + (item->kind == OptionItem::Range ? item->range.label : item->choice.label);
            actual << text;
        }
        QCOMPARE(actual, nodes);
        // The iPod sizes and profile names join the tables once the job's container is "ipod";
        // filling the tables again takes them out.
        const bool ipod = muxer == "ipod";
        QCOMPARE(configurator.valueText(OptionItem::PictureSize, QSize(960, 540)).contains("(iPod touch)"), ipod);
        QCOMPARE(configurator.profileConstraintText("x264_main"),
                 QString(ipod ? "H.264 Main Profile (iPod touch)" : "H.264 Main Profile (standard-definition digital TV)"));
        QCOMPARE(configurator.presetText("veryslow"), QString("Very-Slow"));
        QCOMPARE(configurator.valueText(OptionItem::SamplingRate, 22050), QString("22050 Hz  (Radio quality)"));
        configurator.initPictureSizes();
        configurator.initProfileLabels();
        QVERIFY(!configurator.valueText(OptionItem::PictureSize, QSize(960, 540)).contains("(iPod touch)"));
        QCOMPARE(configurator.profileConstraintText("x264_main"),
                 QString("H.264 Main Profile (standard-definition digital TV)"));
        configurator.clearOptions();
        QVERIFY(configurator.optionRoot().children.empty());
    }

    // Applied settings are written, and the next build starts from them.
    void userProfileRoundTrip()
    {
        EncodingJob &job = *m_encoder->jobData(kMEncoder);
        job.target.muxer = "avi";
        m_encoder->setTargetMuxer("avi");
        {
            MervoConfigurator configurator(m_encoder);
            QVERIFY(configurator.buildOptions(kMEncoder, "avi", "xvid", "mp3"));
            // Seeded from the presets of level 2.
            QCOMPARE(job.target.video.pictureSize, QSize(624, 352));
            QCOMPARE(job.target.audio.bitrate, 160.0);
            configurator.profileGroup().selectedLevel = 4;
            auto &video = configurator.optionRoot().children[0]->children[0]->items;
            auto &audio = configurator.optionRoot().children[0]->children[1]->items;
            video[0]->choice.selectedValue = QSize(720, 576);
            video[1]->range.selectedValue = 1500;
            audio[0]->choice.selectedValue = 32000;
            audio[1]->choice.selectedValue = 96.0;
            configurator.applySelection();
        }
        QCOMPARE(job.target.profile.level, 4);
        QSettings settings;
        QCOMPARE(settings.value("Encoder/Last Profile/avi").toInt(), 4);
        QCOMPARE(settings.value("Encoder/Last User Profile/avi/Video/xvid/rez").toSize(), QSize(720, 576));
        QCOMPARE(settings.value("Encoder/Last User Profile/avi/Audio/mp3/sampling").toInt(), 32000);

        job.target = EncodingTarget();
        job.target.muxer = "avi";
        MervoConfigurator again(m_encoder);
        QVERIFY(again.buildOptions(kMEncoder, "avi", "xvid", "mp3"));
        QCOMPARE(again.profileGroup().selectedLevel, 4);
        const auto &video = again.optionRoot().children[0]->children[0]->items;
        const auto &audio = again.optionRoot().children[0]->children[1]->items;
        QCOMPARE(video[0]->choice.initialValue.toSize(), QSize(720, 576));
        QCOMPARE(video[1]->range.initialValue.toInt(), 1500);
        QCOMPARE(audio[0]->choice.initialValue.toInt(), 32000);
        QCOMPARE(audio[1]->choice.initialValue.toDouble(), 96.0);
        QCOMPARE(again.valueText(*audio[1], 12.2), QString("12200 bit/s"));
        QCOMPARE(again.valueText(*video[1], 12.2), QString("Unreferenced item"));

        EncodingTarget target;
        target.muxer = "avi";
        QVERIFY(again.loadUserSettings("avi", "xvid", "mp3", target));
        QCOMPARE(target.video.bitrate, 1500.0);
    }

    // A remembered user level without remembered settings still gives a full job.
    void userLevelWithoutSettings()
    {
        QSettings().setValue("Encoder/Last Profile/avi", 4);
        QSettings().setValue("Encoder/Last User Profile/avi/Video/xvid/rez", "garbage");
        EncodingJob &job = *m_encoder->jobData(kMEncoder);
        job.target.muxer = "avi";
        MervoConfigurator configurator(m_encoder);
        QVERIFY(configurator.buildOptions(kMEncoder, "avi", "xvid", "mp3"));
        const EncodingTarget &t = job.target;
        QCOMPARE(QString("%1 %2 %3x%4 %5 %6 %7").arg(t.profile.level).arg(t.video.codec).arg(t.video.pictureSize.width())
                     .arg(t.video.pictureSize.height()).arg(t.video.bitrate).arg(t.audio.samplingRate).arg(t.audio.bitrate),
                 QString("4 xvid 624x352 896 44100 160"));
    }

private:
    std::unique_ptr<InstalledEngines> m_engines;
    Encoder *m_encoder = nullptr;
};

VEXO_TEST_CLASS(TestConfigurator)
VEXO_TEST_CLASS(TestMervoConfigurator)
#include "tst_configurator.moc"
