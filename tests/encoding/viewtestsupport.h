#pragma once

// Shared by the job view tests: a checked screenshot of a real window, built on the shared
// window-test support.

#include "testmedia.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QTest>
#include <QWidget>

namespace ViewTest {

// Grabs the window of `widget` as X shows it, saves it as screenshots/<name>.png and checks
// it: more than two colours, mostly not black, and the area of `expected` (a visible widget
// inside that window) drawn in more than one colour. Returns the path, empty after a failed
// check (with the failure recorded).
inline QString screenshot(QWidget *widget, const QString &name, QWidget *expected = nullptr)
{
    QWidget *window = widget->window();
    window->raise();
    if (!QTest::qWaitForWindowExposed(window)) {
        QTest::qFail("window not exposed", __FILE__, __LINE__);
        return QString();
    }
    QTest::qWait(150);
    const QImage shot = WindowTesting::grabNative(window);
    const QString path = WindowTesting::saveScreenshot(shot, name);
    if (WindowTesting::distinctColours(shot) < 3 || WindowTesting::nonBlackShare(shot) < 0.5) {
        QTest::qFail(qPrintable("screenshot is blank: " + path), __FILE__, __LINE__);
        return QString();
    }
    if (expected) {
        const QRect area(expected->mapTo(window, QPoint(0, 0)), expected->size());
        if (!expected->isVisible() || WindowTesting::distinctColours(shot.copy(area)) < 2) {
            QTest::qFail(qPrintable("expected widget not shown in " + path), __FILE__, __LINE__);
            return QString();
        }
    }
    return path;
}

} // namespace ViewTest
