#pragma once

// Shared by the job view tests: screenshots of real windows, answers to modal questions, and
// jobs of real engine commands.

#include "jobs/mervojobmanager.h"
#include "testmedia.h"
#include "testregistry.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace ViewTest {

// The folder the screenshots are saved in, beside the test executable.
inline QString screenshotFolder()
{
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots");
    QDir().mkpath(folder);
    return folder;
}

// Grabs the window of `widget` from the screen (what X really shows), saves it as
// screenshots/<name>.png and checks it: not black or of one colour, and the area of
// `expected` (a widget inside that window) shows more than one colour. Returns the path,
// empty after a failed check (with the failure recorded).
inline QString screenshot(QWidget *widget, const QString &name, QWidget *expected = nullptr)
{
    QWidget *window = widget->window();
    window->raise();
    window->activateWindow();
    if (!QTest::qWaitForWindowExposed(window)) {
        QTest::qFail("window not exposed", __FILE__, __LINE__);
        return QString();
    }
    QTest::qWait(150);
    QScreen *screen = window->screen();
    const QImage shot = screen->grabWindow(0, window->x(), window->y(), window->frameGeometry().width(),
                                           window->frameGeometry().height()).toImage();
    const QString path = screenshotFolder() + QLatin1Char('/') + name + QStringLiteral(".png");
    shot.save(path);

    auto colours = [&shot](const QRect &area) {
        QSet<QRgb> seen;
        const QRect box = area.intersected(shot.rect());
        for (int y = box.top(); y <= box.bottom(); y += 2) {
            for (int x = box.left(); x <= box.right(); x += 2)
                seen.insert(shot.pixel(x, y));
        }
        return seen;
    };
    const QSet<QRgb> all = colours(shot.rect());
    if (all.size() < 3 || (all.size() == 1 && *all.begin() == qRgb(0, 0, 0))) {
        QTest::qFail(qPrintable("screenshot is blank: " + path), __FILE__, __LINE__);
        return QString();
    }
    if (expected) {
        if (!expected->isVisible()) {
            QTest::qFail(qPrintable("expected widget hidden in " + path), __FILE__, __LINE__);
            return QString();
        }
        const QPoint origin = expected->mapTo(window, QPoint(0, 0))
            + (window->geometry().topLeft() - window->frameGeometry().topLeft());
        if (colours(QRect(origin, expected->size())).size() < 2) {
            QTest::qFail(qPrintable("expected widget not drawn in " + path), __FILE__, __LINE__);
            return QString();
        }
    }
    return path;
}

// Answers every modal message box that opens while it lives by clicking the button of the
// given text, and keeps the texts of the boxes it answered.
class ModalAnswer : public QObject
{
public:
    explicit ModalAnswer(const QString &button)
        : m_button(button)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { answer(); });
        m_timer.start(20);
    }

    int count() const { return m_texts.size(); }
    QStringList texts() const { return m_texts; }
    QStringList informativeTexts() const { return m_informative; }

private:
    void answer()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box == m_lastBox)
            return;
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() != m_button)
                continue;
            m_lastBox = box;
            m_texts.append(box->text().trimmed());
            m_informative.append(box->informativeText());
            button->click();
            return;
        }
    }

    QString m_button;
    QTimer m_timer;
    QPointer<QMessageBox> m_lastBox;
    QStringList m_texts;
    QStringList m_informative;
};

// Waits (processing events) until `done` holds or `ms` pass; returns `done()`.
template <class Condition>
bool waitFor(Condition done, int ms = 30000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QTest::qWait(20);
    return done();
}

} // namespace ViewTest
