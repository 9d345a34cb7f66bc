#include "jobs/preferences.h"

#include "testregistry.h"

#include <QTest>
#include <QVariantList>

namespace {
// Every field in declaration order, so that a comparison covers the whole record.
QVariantList fields(const EncoderPreferences &p)
{
    return {p.testMode,         p.testFrames,       p.testChapter,     p.testPosition,
            p.volumeCorrection, p.validationFrames, p.validationSize,  p.latencyStart,
            p.latencyFinished,  p.latencyKill,      p.forceOutputName, p.outputName};
}

QVariantList fields(const PlayerPreferences &p)
{
    return {p.testMode,          p.testFrames,    p.testChapter,       p.testPosition,
            p.volume,            p.ignoreShortTitles, p.titleMinimumLength, p.displayWidth,
            p.displayHeight,     p.latencyStart,  p.latencyFinished,   p.latencyKill,
            p.pollTicks,         p.maxErrorLines, p.maxErrorRepeats,   p.maxLoadErrorLines};
}

const QVariantList encoderDefaults = {false, 1000, 4, 12, 0, 50, 1000000, 3000, 3000, 5000,
                                      false, QStringLiteral("output")};
const QVariantList playerDefaults = {false, 1000, 4,    12,   0,    true, 600.0, 512,
                                     288,   3000, 3000, 5000, 500,  500,  100,   100};

EncoderPreferences changedEncoder()
{
    EncoderPreferences p;
    p.testMode = true;
    p.testFrames = 250;
    p.testChapter = 2;
    p.testPosition = 90;
    p.volumeCorrection = -6;
    p.validationFrames = 10;
    p.validationSize = 2000;
    p.latencyStart = 100;
    p.latencyFinished = 200;
    p.latencyKill = 300;
    p.forceOutputName = true;
    p.outputName = QStringLiteral("holiday");
    return p;
}

void changePlayer(PlayerPreferences &p)
{
    p.testMode = true;
    p.testFrames = 7;
    p.testChapter = 9;
    p.testPosition = 33;
    p.volume = 5;
    p.ignoreShortTitles = false;
    p.titleMinimumLength = 60.5;
    p.displayWidth = 640;
    p.displayHeight = 480;
    p.latencyStart = 1;
    p.latencyFinished = 2;
    p.latencyKill = 3;
    p.pollTicks = 250;
    p.maxErrorLines = 4;
    p.maxErrorRepeats = 5;
    p.maxLoadErrorLines = 6;
}
} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private slots:
    void defaults()
    {
        QCOMPARE(fields(EncoderPreferences()), encoderDefaults);
        QCOMPARE(fields(PlayerPreferences()), playerDefaults);
        const Preferences preferences;
        QCOMPARE(fields(preferences.encoder), encoderDefaults);
        QCOMPARE(fields(preferences.player), playerDefaults);
    }

    void playerResetRestoresEveryField()
    {
        PlayerPreferences player;
        changePlayer(player);
        QVERIFY(fields(player) != playerDefaults);
        player.reset();
        QCOMPARE(fields(player), playerDefaults);
    }

    // The dialog's "Default all": both parts back, the output name to "output".
    void preferencesResetRestoresBothParts()
    {
        Preferences preferences;
        preferences.encoder = changedEncoder();
        changePlayer(preferences.player);
        preferences.reset();
        QCOMPARE(fields(preferences.encoder), encoderDefaults);
        QCOMPARE(fields(preferences.player), playerDefaults);
    }

    // The record travels by value (also as the "changeEncoderPreferences" message): the
    // copy carries every field, and the source changing afterwards leaves it alone.
    void encoderCopy()
    {
        EncoderPreferences source = changedEncoder();
        EncoderPreferences copy;
        copy = source;
        QCOMPARE(fields(copy), fields(changedEncoder()));
        source.outputName = QStringLiteral("other");
        QCOMPARE(copy.outputName, QStringLiteral("holiday"));
    }
};

VEXO_TEST_CLASS(TestPreferences)
#include "tst_preferences.moc"
