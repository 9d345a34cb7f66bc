#include "jobs/preferences.h"

#include "testregistry.h"

#include <QTest>
#include <QVariantList>

namespace {
// Every field in declaration order, so that a comparison covers the whole record.
QVariantList fields(const EncoderPreferences &p)
{
    return {p.testMode, p.testFrames, p.testChapter, p.testPosition, p.volumeCorrection,
            p.validationFrames, p.validationSize, p.latencyStart, p.latencyFinished,
            p.latencyKill, p.forceOutputName, p.outputName};
}

QVariantList fields(const PlayerPreferences &p)
{
    return {p.testMode, p.testFrames, p.testChapter, p.testPosition, p.volume,
            p.ignoreShortTitles, p.titleMinimumLength, p.displayWidth, p.displayHeight,
            p.latencyStart, p.latencyFinished, p.latencyKill, p.pollTicks, p.maxErrorLines,
            p.maxErrorRepeats, p.maxLoadErrorLines};
}
} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private slots:
    // "Default all" brings back every field of both parts, as they are when made.
    void defaultsAndReset()
    {
        const QVariantList encoderDefaults = {false, 1000, 4, 12, 0, 50, 1000000, 3000, 3000,
                                              5000, false, QStringLiteral("output")};
        const QVariantList playerDefaults = {false, 1000, 4, 12, 0, true, 600.0, 512, 288,
                                             3000, 3000, 5000, 500, 500, 100, 100};
        Preferences preferences;
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(fields(preferences.encoder), encoderDefaults);
            QCOMPARE(fields(preferences.player), playerDefaults);
            preferences.encoder.testFrames = preferences.player.maxLoadErrorLines = 1;
            preferences.player.titleMinimumLength = 60.5;
            preferences.reset();
        }
    }
};

VEXO_TEST_CLASS(TestPreferences)
#include "tst_preferences.moc"
