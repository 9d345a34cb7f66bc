#include "encoder/trialwatch.h"

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

void TrialWatch::cancel()
{
    // Asked while none runs, it is forgotten as the next one opens.
    m_cancelled = true;
}

bool TrialWatch::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            cancel();
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}
