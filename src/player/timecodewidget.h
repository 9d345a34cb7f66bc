#pragma once

#include <QLCDNumber>

// The player panel's flat eight-digit display of the playback position, "hh:mm:ss".
class TimecodeWidget : public QLCDNumber
{
    Q_OBJECT

public:
    explicit TimecodeWidget(QWidget *parent = nullptr);

    void reset();
    // Shows a time "hh:mm:ss"; time() returns what is shown.
    void setTime(const QString &time);
    QString time() const { return m_time; }

private:
    QString m_time;
};
