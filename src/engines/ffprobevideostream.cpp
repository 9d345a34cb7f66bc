#include "engines/ffprobevideostream.h"

#include <QSet>

int FFprobeVideoStream::picturesSeen() const
{
    QSet<double> times(sampledTimes.cbegin(), sampledTimes.cend());
    for (double time : discardedTimes)
        times.insert(time);
    for (const QList<double> &stretch : spreadTimes)
        for (double time : stretch)
            times.insert(time);
    return int(times.size());
}

int FFprobeVideoStream::trustedCount() const
{
    const int seen = picturesSeen();
    for (int counted : {nb_read_packets, nb_frames})
        if (counted > 0 && counted >= seen)
            return counted;
    return 0;
}
