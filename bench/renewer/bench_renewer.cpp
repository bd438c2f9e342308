// Downloads a large file from nginx on loopback with the updater's DownloadFile and with curl,
// and prints throughput, peak memory and the ratio between them. Run by run.sh.
#include "frmMain.h"
#include "nginxserver.h"
#include "scriptedui.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

namespace {
constexpr qint64 kMiB = 1024 * 1024;

long peakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A field of /proc/<pid>/status in KiB ("VmRSS", "VmHWM"), or -1.
long statusKiB(const QString &pid, const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLong();
    return -1;
}

bool makeFile(const QString &path, qint64 size)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(kMiB, Qt::Uninitialized);
    for (qint64 done = 0; done < size; done += block.size()) {
        for (qsizetype i = 0; i < block.size(); ++i)
            block[i] = char((done + i) * 2654435761u >> 13);
        f.write(block.constData(), qMin<qint64>(block.size(), size - done));
    }
    return true;
}

QByteArray digest(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(&f);
    return hash.result().toHex();
}

double ours(renewer::frmMain &form, const QString &url, const QString &dest)
{
    QFile::remove(dest);
    QElapsedTimer clock;
    clock.start();
    const bool ok = form.DownloadFile(url, dest, {}, {});
    const double seconds = clock.nsecsElapsed() / 1e9;
    return ok ? seconds : -1;
}

// curl's peak memory is sampled while it runs: the kernel's figure for children also counts
// the copy of this process that existed between fork and exec.
double curl(const QString &program, const QString &url, const QString &dest, long *peakKiB)
{
    QFile::remove(dest);
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(program, {QStringLiteral("-s"), QStringLiteral("-f"), QStringLiteral("-o"), dest, url});
    const QString pid = QString::number(p.processId());
    while (!p.waitForFinished(1) && clock.elapsed() < 120000)
        *peakKiB = qMax(*peakKiB, statusKiB(pid, "VmHWM"));
    if (p.state() != QProcess::NotRunning || p.exitCode() != 0)
        return -1;
    return clock.nsecsElapsed() / 1e9;
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qint64 sizeMiB = argc > 1 ? QByteArray(argv[1]).toLongLong() : 100;
    const int rounds = argc > 2 ? QByteArray(argv[2]).toInt() : 3;
    const QString curlProgram = QStandardPaths::findExecutable(QStringLiteral("curl"));
    if (NginxServer::program().isEmpty() || curlProgram.isEmpty()) {
        std::fprintf(stderr, "bench_renewer needs nginx and curl (run.sh installs them)\n");
        return 2;
    }
    lc::ui::setService(std::make_unique<lc::ui::ScriptedUi>());

    QTemporaryDir www, out;
    const QString big = www.filePath(QStringLiteral("downloads/big.bin"));
    const QString small = www.filePath(QStringLiteral("downloads/small.bin"));
    QDir().mkpath(www.filePath(QStringLiteral("downloads")));
    if (!makeFile(big, sizeMiB * kMiB) || !makeFile(small, 10 * kMiB)) {
        std::fprintf(stderr, "cannot write the test files\n");
        return 2;
    }
    NginxServer nginx;
    QString error;
    if (!nginx.start(www.path(), &error)) {
        std::fprintf(stderr, "nginx did not start: %s\n", qPrintable(error));
        return 2;
    }
    const QString bigUrl = nginx.base() + QStringLiteral("/downloads/big.bin");
    const QString smallUrl = nginx.base() + QStringLiteral("/downloads/small.bin");
    const QString dest = out.filePath(QStringLiteral("big.bin"));

    renewer::frmMain form;
    const long rssStart = statusKiB(QStringLiteral("self"), "VmRSS");
    // A small file first: if memory grew with the file, the big one would push the peak up.
    if (ours(form, smallUrl, out.filePath(QStringLiteral("small.bin"))) < 0) {
        std::fprintf(stderr, "the small download failed\n");
        return 1;
    }
    const long peakAfterSmall = peakRssKiB();

    QList<double> oursTimes, curlTimes;
    long curlPeak = 0;
    for (int i = 0; i < rounds; ++i) {
        curlTimes << curl(curlProgram, bigUrl, dest, &curlPeak);
        oursTimes << ours(form, bigUrl, dest);
        if (oursTimes.last() < 0 || curlTimes.last() < 0) {
            std::fprintf(stderr, "a download failed: %s\n", qPrintable(form.messageText()));
            return 1;
        }
    }
    const long peakAfterBig = peakRssKiB();
    const bool same = digest(dest) == digest(big);
    nginx.stop();

    std::sort(oursTimes.begin(), oursTimes.end());
    std::sort(curlTimes.begin(), curlTimes.end());
    const double mb = double(sizeMiB);
    const double oursBest = mb / oursTimes.first(), curlBest = mb / curlTimes.first();
    const double oursMedian = mb / oursTimes[rounds / 2], curlMedian = mb / curlTimes[rounds / 2];
    std::printf("file: %lld MiB from nginx on 127.0.0.1, %d rounds, content %s\n", sizeMiB, rounds,
                same ? "identical" : "DIFFERENT");
    std::printf("curl     best %7.3f s %8.1f MiB/s   median %8.1f MiB/s   peak RSS %6.1f MiB\n",
                curlTimes.first(), curlBest, curlMedian, curlPeak / 1024.0);
    std::printf("Renewer  best %7.3f s %8.1f MiB/s   median %8.1f MiB/s   peak RSS %6.1f MiB\n",
                oursTimes.first(), oursBest, oursMedian, peakAfterBig / 1024.0);
    std::printf("Renewer memory: %.1f MiB at start, peak %.1f MiB after a 10 MiB file, %.1f MiB "
                "after %lld MiB files (growth %+.1f MiB)\n",
                rssStart / 1024.0, peakAfterSmall / 1024.0, peakAfterBig / 1024.0, sizeMiB,
                (peakAfterBig - peakAfterSmall) / 1024.0);
    std::printf("ratio Renewer/curl throughput: best %.2f, median %.2f (target >= 0.50)\n",
                oursBest / curlBest, oursMedian / curlMedian);
    return same ? 0 : 1;
}
