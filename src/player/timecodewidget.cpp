#include "player/timecodewidget.h"

namespace {
const char kZeroTime[] = "00:00:00";
}

TimecodeWidget::TimecodeWidget(QWidget *parent)
    : QLCDNumber(parent)
{
    setFrameStyle(QFrame::NoFrame);
    setSegmentStyle(QLCDNumber::Flat);
    setDigitCount(8);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    reset();
}

void TimecodeWidget::reset()
{
    setTime(QString::fromLatin1(kZeroTime));
}

void TimecodeWidget::setTime(const QString &time)
{
    m_time = time;
    display(time);
}
