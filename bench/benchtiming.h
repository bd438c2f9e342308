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

// First runs, each in a fresh process of this same benchmark. The medians per contender, in
// milliseconds, and the median over samples of each contender's time against the first's in
// the same sample (1 for the first itself).
struct FreshTimes {
    std::vector<double> medians;
    std::vector<double> ratios;
};

// A sample runs every contender once, back to back, in an order that turns about from one
// sample to the next: a slow spell of the machine then hits the times a ratio compares
// alike, which the ratio of two medians taken apart does not promise. Empty when a child
// failed.
inline FreshTimes freshTimes(const QStringList &contenders, const QString &database, int samples)
{
    const size_t n = size_t(contenders.size());
    std::vector<std::vector<double>> times(n);
    std::vector<std::vector<double>> ratios(n);
    for (int i = 0; i < samples; ++i) {
        std::vector<double> sample(n);
        for (size_t k = 0; k < n; ++k) {
            const size_t c = i % 2 == 0 ? k : n - 1 - k;
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(),
                        {QString::fromLatin1(kFreshOption), contenders[qsizetype(c)], database});
            bool ok = false;
            if (child.waitForFinished(120000) && child.exitCode() == 0)
                sample[c] =
                    QString::fromLatin1(child.readAllStandardOutput()).trimmed().toDouble(&ok);
            if (!ok || sample[c] <= 0)
                return {};
        }
        for (size_t c = 0; c < n; ++c) {
            times[c].push_back(sample[c]);
            ratios[c].push_back(sample[c] / sample[0]);
        }
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    FreshTimes out;
    for (size_t c = 0; c < n; ++c) {
        out.medians.push_back(median(times[c]));
        out.ratios.push_back(median(ratios[c]));
    }
    return out;
}

} // namespace bench
