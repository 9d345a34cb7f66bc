// The item texts of the player panel's track lists.

#include "player/playerwidget.h"

#include "testregistry.h"

#include <QTest>

class TestTrackTexts : public QObject
{
    Q_OBJECT

private slots:
    void itemTexts_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("number"); // stream number
        QTest::addColumn<int>("aid");
        QTest::addColumn<QString>("language");
        QTest::addColumn<double>("bitrate");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("codec");
        QTest::addColumn<QString>("channels");
        QTest::addColumn<int>("channelCount");
        QTest::addColumn<QString>("text");
        QTest::newRow("movie audio, nothing known") << "movie" << 1 << 1 << "und" << 0.0 << 0 << "" << "mp3" << "" << 2
                                                    << "Audio 1 - VBR [MP3 stereo]";
        QTest::newRow("movie audio, 5.1") << "movie" << 2 << 2 << "en" << 128.0 << 44100 << "" << "aac" << "" << 6
                                          << "Audio 2 - English 128.0 kbps 44.1 kHz [AAC 5.1]";
        QTest::newRow("movie audio, DVD-style id") << "movie" << 1 << 128 << "und" << 0.0 << 0 << "" << "mp3" << "" << 2
                                                   << "Audio 0X80 - VBR [MP3 stereo]";
        QTest::newRow("movie audio, odd count") << "movie" << 3 << 3 << "" << 0.0 << 22050 << "ac3" << "" << "" << 4
                                                << "Audio 3 - VBR 22.050 kHz [AC3 4 ch.]";
        QTest::newRow("DVD audio") << "dvd" << 0 << 128 << "fr" << 448.0 << 48000 << "ac3" << "" << "5.1" << 0
                                   << "Audio 0 - French 448.0 kbps 48.0 kHz [AC3 5.1]";
    }
    void itemTexts()
    {
        QFETCH(QString, kind);
        QFETCH(int, number);
        QFETCH(int, aid);
        QFETCH(QString, language);
        QFETCH(double, bitrate);
        QFETCH(int, rate);
        QFETCH(QString, format);
        QFETCH(QString, codec);
        QFETCH(QString, channels);
        QFETCH(int, channelCount);
        QFETCH(QString, text);
        AudioInfo audio;
        audio.streamNumber = number;
        audio.aid = aid;
        audio.language = language;
        audio.bitrate = bitrate;
        audio.samplingRate = rate;
        audio.format = format;
        audio.codec = codec;
        audio.channels = channels;
        audio.channelCount = channelCount;
        QCOMPARE(kind == "dvd" ? PlayerWidget::dvdAudioText(audio) : PlayerWidget::movieAudioText(audio), text);
    }

    void videoTexts_data()
    {
        QTest::addColumn<QString>("aspect");
        QTest::addColumn<double>("bitrate");
        QTest::addColumn<QString>("text");
        QTest::newRow("16:9") << "16:9" << 0.0 << "Video - 01:23:45 720x576 16:9 25fps [MPEG4]";
        QTest::newRow("other aspect") << "2.35:1" << 0.0 << "Video - 01:23:45 720x576 25fps [MPEG4]";
        QTest::newRow("bit rate") << "4:3" << 1500.0 << "Video - 01:23:45 720x576 4:3 25fps [MPEG4 1500.0kbps]";
    }
    void videoTexts()
    {
        QFETCH(QString, aspect);
        QFETCH(double, bitrate);
        QFETCH(QString, text);
        MovieInfo movie;
        movie.length = 5025;
        movie.width = 720;
        movie.height = 576;
        movie.aspectText = aspect;
        movie.frameRate = 25;
        movie.videoFormat = "mpeg4";
        movie.videoBitrate = bitrate;
        QCOMPARE(PlayerWidget::movieVideoText(movie), text);

        TitleInfo title;
        title.number = 3;
        title.length = 65;
        title.width = 720;
        title.height = 576;
        title.aspectCode = 3;
        title.frameRateCode = 3;
        title.videoFormat = "MPEG2";
        title.videoBitrate = 9000;
        QCOMPARE(PlayerWidget::dvdTitleText(title), QString("Title 3 - 00:01:05 720x576 16:9 25fps [MPEG2 9000.0kbps]"));
    }
};

VEXO_TEST_CLASS(TestTrackTexts)
#include "tst_tracktexts.moc"
