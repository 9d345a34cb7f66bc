#pragma once

class QLabel;
class QTextEdit;

// One channel of the advanced monitor: the read-only mirror shown in the monitor, the view it
// mirrors (owned elsewhere; the key by which the channel is found) and the channel's title.
struct MonitorChannel
{
    QTextEdit *mirror = nullptr;
    QTextEdit *source = nullptr;
    QLabel *label = nullptr;
};
