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
    return {p.testMode,      p.testFrames,    p.testChapter,       p.testPosition,
            p.volume,        p.ignoreShortTitles, p.titleMinimumLength, p.displayWidth,
            p.displayHeight, p.latencyStart,  p.latencyFinished,   p.latencyKill,
            p.pollTicks,     p.maxErrorLines, p.maxErrorRepeats,   p.maxLoadErrorLines};
}

const QVariantList encoderDefaults = {false, 1000, 4, 12, 0, 50, 1000000, 3000, 3000, 5000,
                                      false, QStringLiteral("output")};
const QVariantList playerDefaults = {false, 1000, 4,    12,   0,    true, 600.0, 512,
                                     288,   3000, 3000, 5000, 500,  500,  100,   100};
} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private slots:
    // "Default all" brings back every field of both parts, as they are when made.
    void defaultsAndReset()
    {
        Preferences preferences;
        QCOMPARE(fields(preferences.encoder), encoderDefaults);
        QCOMPARE(fields(preferences.player), playerDefaults);
        EncoderPreferences &e = preferences.encoder;
        e.testMode = e.forceOutputName = true;
        e.testFrames = e.testChapter = e.testPosition = e.volumeCorrection = 1;
        e.validationFrames = e.validationSize = e.latencyStart = e.latencyFinished = 2;
        e.latencyKill = 3;
        e.outputName = QStringLiteral("holiday");
        PlayerPreferences &p = preferences.player;
        p.testMode = true;
        p.ignoreShortTitles = false;
        p.testFrames = p.testChapter = p.testPosition = p.volume = p.displayWidth = 1;
        p.displayHeight = p.latencyStart = p.latencyFinished = p.latencyKill = p.pollTicks = 2;
        p.maxErrorLines = p.maxErrorRepeats = p.maxLoadErrorLines = 3;
        p.titleMinimumLength = 60.5;
        preferences.reset();
        QCOMPARE(fields(preferences.encoder), encoderDefaults);
        QCOMPARE(fields(preferences.player), playerDefaults);
    }
};

VEXO_TEST_CLASS(TestPreferences)
#include "tst_preferences.moc"
