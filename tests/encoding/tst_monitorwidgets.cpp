// The advanced monitor, the small input widgets and the media information viewer, as windows.

#include "viewtestsupport.h"

#include "encoding/activecombobox.h"
#include "encoding/advancedmonitorwidget.h"
#include "encoding/mediainfodatadialog.h"
#include "encoding/numberedit.h"
#include "engines/interfacemediainfo.h"
#include "engines/interfacestatus.h"
#include "engines/mediainfodata.h"
#include "jobs/console.h"

#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>

VEXO_TEST_NEEDS_DISPLAY

class AdvancedMonitor : public QObject
{
    Q_OBJECT

private slots:
    void placement_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("width");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<int>("expected");
        const QRect hd(0, 0, 1920, 1080);
        QTest::newRow("right of the window") << 100 << 800 << hd << 920;
        QTest::newRow("no room right: left") << 1500 << 800 << hd << 1000;
        QTest::newRow("left raised to the edge") << 300 << 1400 << hd << 10;
        QTest::newRow("right just fits") << 100 << 1319 << hd << 1439;
        QTest::newRow("right one short: left") << 100 << 1320 << hd << 10;
        QTest::newRow("large virtual screen") << 1500 << 800 << QRect(0, 0, 3840, 2160) << 2320;
        QTest::newRow("left screen, room right") << -1000 << 400 << QRect(-1920, 0, 1920, 1080) << -580;
        QTest::newRow("left screen, no room right") << -300 << 400 << QRect(-1920, 0, 1920, 1080) << -800;
    }
    void placement()
    {
        QFETCH(int, x);
        QFETCH(int, width);
        QFETCH(QRect, screen);
        QFETCH(int, expected);
        QCOMPARE(AdvancedMonitorWidget::placement(QPoint(x, 33), width, screen, 480), QPoint(expected, 33));
    }

    // On the real screen: beside a reference window, with its height.
    void realPlacement()
    {
        QWidget reference;
        const QRect available = reference.screen()->availableGeometry();
        const int screenWidth = available.width();
        reference.setGeometry(100, 60, screenWidth - 700, 300);
        AdvancedMonitorWidget monitor(&reference, nullptr);
        QVERIFY(monitor.isHidden());
        QCOMPARE(monitor.windowTitle(), QString("Advanced Monitor"));
        QCOMPARE(monitor.size(), QSize(480, 300));
        QCOMPARE(monitor.pos(), QPoint(screenWidth - 580, reference.y()));

        reference.setGeometry(screenWidth / 2, 80, screenWidth / 2 - 100, 250);
        monitor.resetGeometry(&reference);
        QCOMPARE(monitor.pos(), QPoint(std::max(screenWidth / 2 - 500, available.left() + 10), 80));
        monitor.resetGeometry(nullptr);
        QCOMPARE(monitor.size(), QSize(480, 480));
    }

    void mirrors()
    {
        QTextEdit log, input, output, error, stray;
        AdvancedMonitorWidget monitor(nullptr, nullptr);
        QSignalSpy shown(&monitor, &AdvancedMonitorWidget::visible);
        QSignalSpy hidden(&monitor, &AdvancedMonitorWidget::hidden);
        monitor.addMonitor("Log:", &log);
        monitor.addMonitor("Process Input Channel:", &input);
        monitor.addMonitor("Process Output Channel:", &output);
        monitor.addMonitor("Process Error Channel:", &error);
        monitor.setLineWrap(&log, QTextEdit::NoWrap);
        monitor.setLineWrap(&stray, QTextEdit::NoWrap);
        QCOMPARE(monitor.channels().size(), 4);
        QCOMPARE(monitor.channels().at(0).mirror->lineWrapMode(), QTextEdit::NoWrap);
        QCOMPARE(monitor.channels().at(1).mirror->lineWrapMode(), QTextEdit::WidgetWidth);
        QCOMPARE(monitor.channels().at(3).label->text(), QString("Process Error Channel:"));

        log.append("<b>started</b> & logged");
        error.setHtml("<i>error</i> line");
        QCOMPARE(monitor.channels().at(0).mirror->toPlainText(), QString("started & logged"));
        QCOMPARE(monitor.channels().at(3).mirror->toPlainText(), QString("error line"));

        monitor.showChannel(&stray);
        QVERIFY(monitor.isVisible());
        QCOMPARE(shown.count(), 1);
        QVERIFY(!ViewTest::screenshot(&monitor, "advanced-monitor", monitor.channels().at(0).mirror).isEmpty());
        for (QTextEdit *source : {&input, &output, &error})
            monitor.hideChannel(source);
        QVERIFY(monitor.channels().at(1).label->isHidden());
        QVERIFY(monitor.isVisible());
        monitor.hideChannel(&stray);
        QVERIFY(monitor.isVisible());
        monitor.hideChannel(&log);
        QVERIFY(monitor.isHidden());
        QCOMPARE(hidden.count(), 1);
        monitor.showChannel(&output);
        QVERIFY(monitor.isVisible());
        QVERIFY(monitor.channels().at(1).mirror->isHidden());
        QVERIFY(!monitor.channels().at(2).mirror->isHidden());

        monitor.clearAll();
        for (const MonitorChannel &channel : monitor.channels()) {
            QVERIFY(channel.mirror->toPlainText().isEmpty());
            QVERIFY(channel.source->toPlainText().isEmpty());
        }
    }

    // Lines written one by one into the consoles (64 KiB in all) reach the mirrors change by
    // change: the cost of a line does not grow with what the consoles already hold.
    void mirrorsLineByLine()
    {
        QTextEdit log, input, output, error;
        AdvancedMonitorWidget monitor(nullptr, nullptr);
        const QList<QTextEdit *> sources{&log, &input, &output, &error};
        for (QTextEdit *source : sources)
            monitor.addMonitor("Channel:", source);
        Console console;
        console.setSinks(&input, &output, &error, &log);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 4000; ++i) {
            const QString line = QString("line %1 of text").arg(i, 4);
            console.logNormal(line);
            console.stdOutNormal(line);
            if (i % 100 == 0)
                input.append("mencoder " + line);
        }
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString("%1 ms").arg(clock.elapsed())));
        for (int i = 0; i < sources.size(); ++i)
            QCOMPARE(monitor.channels().at(i).mirror->toPlainText(), sources.at(i)->toPlainText());
        QVERIFY(log.toPlainText().endsWith("line 3999 of text"));
        // A change the mirror cannot follow character for character is copied whole.
        error.setHtml("<table><tr><td>a</td><td>b</td></tr></table>");
        error.append("after");
        QCOMPARE(monitor.channels().at(3).mirror->toPlainText(), error.toPlainText());
    }
};
VEXO_TEST_CLASS(AdvancedMonitor)

class SmallWidgets : public QObject
{
    Q_OBJECT

private slots:
    void numberEdit_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("values");
        QTest::newRow("digits") << "57" << QList<int>{5, 57};
        QTest::newRow("minus alone") << "-" << QList<int>{0};
        QTest::newRow("negative") << "-3" << QList<int>{0, -3};
        QTest::newRow("not a number") << "x" << QList<int>{0};
    }
    // Coupled both ways with a slider: the user's typing moves the slider, and the slider's
    // change of the text reports nothing back.
    void numberEdit()
    {
        QFETCH(QString, typed);
        QFETCH(QList<int>, values);
        QWidget window;
        auto *edit = new NumberEdit(12, &window);
        auto *slider = new QSlider(Qt::Horizontal, &window);
        slider->setRange(-100, 100);
        slider->move(0, 40);
        QCOMPARE(edit->text(), QString("12"));
        connect(edit, &NumberEdit::valueChanged, slider, &QSlider::setValue);
        connect(slider, &QSlider::valueChanged, edit, &NumberEdit::setValue);
        QSignalSpy spy(edit, &NumberEdit::valueChanged);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        edit->clear();
        QTest::keyClicks(edit, typed);
        QList<int> seen;
        for (const QList<QVariant> &call : spy)
            seen.append(call.at(0).toInt());
        QCOMPARE(seen, values);
        QCOMPARE(slider->value(), values.last());

        slider->setValue(33);
        QCOMPARE(edit->text(), QString("33"));
        QCOMPARE(spy.count(), values.size());
        edit->setValue(-8);
        QCOMPARE(edit->value(), -8);
        QCOMPARE(spy.count(), values.size());
    }

    void activeComboBox()
    {
        QWidget window;
        auto *combo = new ActiveComboBox(&window);
        QCOMPARE(int(combo->insertPolicy()), 6);
        combo->addItems({"mkv", "avi"});
        QSignalSpy released(combo, &ActiveComboBox::released);
        // Receivers see the state before the combo handles the release.
        int indexSeen = -2;
        connect(combo, &ActiveComboBox::released, this, [&] { indexSeen = combo->currentIndex(); });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::keyRelease(combo, Qt::Key_Down);
        QCOMPARE(released.count(), 1);
        QCOMPARE(indexSeen, 0);
        QTest::mouseRelease(combo, Qt::LeftButton);
        QCOMPARE(released.count(), 2);
        QVERIFY(!ViewTest::screenshot(&window, "active-combo", combo).isEmpty());
    }
};
VEXO_TEST_CLASS(SmallWidgets)

class MediaInfoViewer : public QObject
{
    Q_OBJECT

private slots:
    // A real report of a clip whose name and title hold "<" and "&", shown as printed.
    void realReportEscaped()
    {
        const QString clip = TestMedia::clip("viewer <a&b>.mkv",
                                             {"-f", "lavfi", "-i", "testsrc=duration=1:size=160x120:rate=25",
                                              "-metadata", "title=<Title> & co", "-c:v", "mpeg4"});
        QVERIFY(!clip.isEmpty());
        MediaInfoData data;
        InterfaceStatus status;
        InterfaceMediaInfo mediaInfo;
        mediaInfo.init("mediainfo", &data, &status);
        QString program;
        QStringList arguments;
        mediaInfo.cliCmdGetInfo(clip, program, arguments);
        QCOMPARE(TestMedia::run(program, arguments, &data.rawText), 0);
        QVERIFY(data.rawText.contains("<Title> & co"));

        MediaInfoDataDialog dialog(&data, nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QString shown = dialog.reportView()->toPlainText();
        QVERIFY(shown.contains("viewer <a&b>.mkv"));
        QVERIFY(shown.contains("<Title> & co"));
        QCOMPARE(shown.trimmed(), data.rawText.trimmed());
        QVERIFY(dialog.minimumWidth() >= 95 * dialog.reportView()->fontMetrics().averageCharWidth());
        auto *buttons = dialog.findChild<QDialogButtonBox *>();
        QVERIFY(buttons->centerButtons());
        QVERIFY(!ViewTest::screenshot(&dialog, "media-informations", dialog.reportView()).isEmpty());
        buttons->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
};
VEXO_TEST_CLASS(MediaInfoViewer)

#include "tst_monitorwidgets.moc"
