#include "encoder/trialwatch.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>

TrialWatch *TrialWatch::instance()
{
    static TrialWatch watch;
    return &watch;
}

TrialWatch::Scope::Scope(const QString &engineName)
{
    TrialWatch::instance()->open(engineName);
}

TrialWatch::Scope::~Scope()
{
    TrialWatch::instance()->close();
}

void TrialWatch::open(const QString &engineName)
{
    if (m_depth++ > 0)
        return;
    m_cancelled = false;
    m_engineName = engineName;
    if (QCoreApplication *application = QCoreApplication::instance())
        application->installEventFilter(this);
    // A cursor needs a window system; a console run has none.
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    emit started(tr("Checking the command with %1... (Esc cancels)").arg(engineName));
}

void TrialWatch::close()
{
    if (--m_depth > 0)
        return;
    if (QCoreApplication *application = QCoreApplication::instance())
        application->removeEventFilter(this);
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        QGuiApplication::restoreOverrideCursor();
    emit ended();
}

void TrialWatch::refuse()
{
    // Not without a sign: the user would take the program for one that lost the click.
    if (auto *application = qobject_cast<QApplication *>(QCoreApplication::instance()))
        application->beep();
    emit refused(tr("Still checking the command with %1: nothing else can be done until the check "
                    "ends (Esc cancels it).")
                     .arg(m_engineName));
}

void TrialWatch::cancel()
{
    // Asked while none runs, it is forgotten as the next one opens.
    m_cancelled = true;
}

bool TrialWatch::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape)
            cancel();
        // A modifier or lock key alone asks for nothing.
        else if (key < Qt::Key_Shift || key > Qt::Key_ScrollLock)
            refuse();
        return true;
    }
    // A key that is an entry's shortcut comes as the shortcut alone.
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        refuse();
        return true;
    case QEvent::MouseButtonRelease:
    case QEvent::Wheel:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}
