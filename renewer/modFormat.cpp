#include "modFormat.h"

#include <QtMath>

namespace renewer {

QString formatTime(double seconds)
{
    if (!(seconds > 0)) // negative and NaN read as nothing left
        seconds = 0;
    seconds = qMin(seconds, 1e9); // a stalled link's estimate stays printable
    // The bands meet without gaps, so 59.7 seconds still reads in seconds.
    if (seconds < 60)
        return QString::number(qRound64(seconds)) + QStringLiteral(" sec");
    if (seconds < 3600)
        return QString::number(qint64(seconds / 60)) + QStringLiteral(" min ") +
               QString::number(qRound64(seconds) % 60) + QStringLiteral(" sec");
    return QString::number(qint64(seconds / 3600)) + QStringLiteral(" hr ") +
           QString::number(qRound64(seconds / 60) % 60) + QStringLiteral(" min");
}

QString rateText(double bytesPerSecond)
{
    if (!(bytesPerSecond > 0))
        bytesPerSecond = 0;
    const double kb = bytesPerSecond / 1024.0;
    if (kb >= 10240)
        return QString::number(kb / 1024.0, 'f', 1) + QStringLiteral(" MB/sec");
    return QString::number(kb, 'f', 1) + QStringLiteral(" KB/sec");
}

} // namespace renewer
