#pragma once

// The player panel as the load benchmarks drive it: a panel on the engines found on PATH
// with its four consoles, a load timed with the window's longest stall, and the paired
// runs that compare it with the raw engine runs.

#include "benchsupport.h"

#include "gui4/gui4resources.h"
#include "player/mervoplayerwidget.h"
#include "player/rendererframe.h"

#include <QApplication>
#include <QTextEdit>

#include <functional>

namespace Bench {

// The application of a panel benchmark, with the program's resources, and the number of
// paired rounds from the command line.
class PanelBenchApplication : private OffscreenUnlessChosen
{
public:
    PanelBenchApplication(int &argc, char **argv)
        : m_application(argc, argv)
        , rounds(runsArgument(argc, argv, 5))
    {
        initGui4Resources();
    }

private:
    QApplication m_application;

public:
    const int rounds;
};

// The panel with the records a benchmark reads.
class Panel : public MervoPlayerWidget
{
public:
    using MervoPlayerWidget::MervoPlayerWidget;
    using PlayerWidget::renderer;
    using PlayerWidget::titles;
};

class PanelLoad
{
public:
    explicit PanelLoad(const PlayerPreferences &preferences)
        : m_panel(nullptr, QStringLiteral("mplayer"), QStringLiteral("mediainfo"), QStringLiteral("ffprobe"),
                  &m_stdIn, &m_stdOut, &m_stdErr, &m_log, 2, &preferences)
    {
        m_panel.show();
    }

    Panel &panel() { return m_panel; }
    QString windowId() const { return QString::number(m_panel.renderer->winId()); }

    // Seconds for one load, as the user starts it from the menu; exits when it fails.
    double load(const QString &path, int kind)
    {
        for (QTextEdit *console : {&m_stdIn, &m_stdOut, &m_stdErr, &m_log})
            console->clear();
        QElapsedTimer clock;
        clock.start();
        m_meter.start();
        const bool loaded = m_panel.setInput(path, kind);
        m_meter.stop();
        if (!loaded) {
            std::fprintf(stderr, "the panel did not load %s\n", qPrintable(path));
            std::exit(2);
        }
        return clock.elapsed() / 1000.0;
    }
    const StallMeter &meter() const { return m_meter; }

private:
    QTextEdit m_stdIn, m_stdOut, m_stdErr, m_log;
    Panel m_panel;
    StallMeter m_meter;
};

// The longest time the window's own work may hold it during a load.
constexpr double StallGoalMs = 50.0;

// Paired runs, each round the raw runs one after another, the load, and the raw runs side
// by side (`sideBySide` times those); prints the medians, the ratios and whether the goals
// are met (the load against the runs one after another, and the window's longest stall in
// processor time: a busy machine stretches its wall time, not the window's work). Returns
// whether every goal is met.
inline bool comparePaired(PanelLoad &subject, const QString &path, int kind, const QList<RawRun> &raw,
                          const std::function<double()> &sideBySide, int rounds, double goal)
{
    std::vector<double> serial, parallel, program, stalls, cpuStalls, toSerial, toParallel;
    for (int i = 0; i < rounds; ++i) {
        serial.push_back(rawSerial(raw));
        program.push_back(subject.load(path, kind));
        stalls.push_back(subject.meter().longestMs());
        cpuStalls.push_back(subject.meter().longestCpuMs());
        parallel.push_back(sideBySide());
        toSerial.push_back(program.back() / serial.back());
        toParallel.push_back(program.back() / parallel.back());
    }
    std::printf("%s\n", qPrintable(loadAverage()));
    printFigure("engine runs one after another", serial);
    printFigure("engine runs side by side", parallel);
    printFigure("panel load", program);
    bool met = printGoal("ratio panel / runs one after another", toSerial, goal);
    printFigure("ratio panel / runs side by side", toParallel, "");
    printFigure("longest stall of the window", stalls, "ms");
    met &= printGoal("  of which the window's own work", cpuStalls, StallGoalMs, true, " ms");
    std::printf("%s\n", met ? "all goals met" : "FAIL: a goal is missed");
    return met;
}

} // namespace Bench
