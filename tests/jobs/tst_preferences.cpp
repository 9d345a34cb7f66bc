#include "jobs/preferences.h"

#include "testregistry.h"

#include <QTest>
#include <QVariantList>

namespace {
// Calls f on every field of both parts, in declaration order.
template <class F>
void forEachField(Preferences &p, F f)
{
    EncoderPreferences &e = p.encoder;
    f(e.testMode), f(e.testFrames), f(e.testChapter), f(e.testPosition), f(e.volumeCorrection),
        f(e.validationFrames), f(e.validationSize), f(e.latencyStart), f(e.latencyFinished),
        f(e.latencyKill), f(e.forceOutputName), f(e.outputName);
    PlayerPreferences &r = p.player;
    f(r.testMode), f(r.testFrames), f(r.testChapter), f(r.testPosition), f(r.volume),
        f(r.ignoreShortTitles), f(r.titleMinimumLength), f(r.displayWidth), f(r.displayHeight),
        f(r.latencyStart), f(r.latencyFinished), f(r.latencyKill), f(r.pollTicks),
        f(r.maxErrorLines), f(r.maxErrorRepeats), f(r.maxLoadErrorLines);
}

QVariantList fields(Preferences p)
{
    QVariantList values;
    forEachField(p, [&](const auto &field) { values << QVariant::fromValue(field); });
    return values;
}

void change(bool &b) { b = !b; }
void change(int &i) { ++i; }
void change(double &d) { d += 0.5; }
void change(QString &s) { s += QLatin1Char('x'); }
} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private slots:
    // "Default all" brings back every field of both parts as a new record has it; a copy
    // of the encoder part takes every field.
    void resetAndCopy()
    {
        Preferences preferences;
        forEachField(preferences, [](auto &field) { change(field); });
        Preferences copy;
        copy.encoder = preferences.encoder;
        QCOMPARE(fields(copy).mid(0, 12), fields(preferences).mid(0, 12));
        QVERIFY(fields(preferences) != fields(Preferences()));
        preferences.reset();
        QCOMPARE(fields(preferences), fields(Preferences()));
    }
};

VEXO_TEST_CLASS(TestPreferences)
#include "tst_preferences.moc"
