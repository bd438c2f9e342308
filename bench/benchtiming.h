#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <functional>
#include <vector>

namespace bench {

// A memory field of this process's status ("VmRSS" now, "VmHWM" the peak), in KiB; -1 where
// the system does not report it.
inline long statusKb(const char *field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}
inline long peakRssKb()
{
    return statusKb("VmHWM");
}
inline long rssKb()
{
    return statusKb("VmRSS");
}

// The median of several timed runs, in milliseconds: one slow run of a busy machine does not
// decide the figure.
inline double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The option that makes a benchmark a child: it times one first run of the named contender
// and prints the milliseconds alone, so the parent sees what a program start sees (its own
// SQLite cache, statements and indexes all new).
inline constexpr char kFreshOption[] = "--fresh";

// Times of first runs, each in a fresh process of this same benchmark, the contenders taken
// turn about so a busy moment of the machine hits them alike. Returns the medians per
// contender in milliseconds, or an empty list when a child failed.
inline std::vector<double> freshMedians(const QStringList &contenders, const QString &database,
                                        int samples)
{
    std::vector<std::vector<double>> times(static_cast<size_t>(contenders.size()));
    for (int i = 0; i < samples; ++i)
        for (int c = 0; c < contenders.size(); ++c) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(),
                        {QString::fromLatin1(kFreshOption), contenders[c], database});
            bool ok = false;
            double ms = 0;
            if (child.waitForFinished(120000) && child.exitCode() == 0)
                ms = QString::fromLatin1(child.readAllStandardOutput()).trimmed().toDouble(&ok);
            if (!ok)
                return {};
            times[static_cast<size_t>(c)].push_back(ms);
        }
    std::vector<double> medians;
    for (auto &t : times) {
        std::sort(t.begin(), t.end());
        medians.push_back(t[t.size() / 2]);
    }
    return medians;
}

} // namespace bench
