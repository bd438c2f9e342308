// Program start to a usable main window: from the first line of main to the details pane's
// BookmarksLoaded (tree built, favourites and bookmarks listed), each start a fresh process
// as a user's start is. Judged against the same start on the empty delivered database plus
// the bare SQL reads the start needs on the large collection; and shown growing with the
// collection. The collections are made once and kept under the build folder
// (bench/collections/<name>/, each a program folder of its own).
#include "../benchtiming.h"
#include "collection.h"
#include "ctlDetails.h"
#include "ctlTree.h"
#include "frmMain.h"
#include "frmSplash.h"
#include "modMain.h"
#include "scriptedui.h"
#include "settings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kSamples = 5;       // fresh processes per contender; the median is judged
constexpr int kGrowthSamples = 5; // per size of the growth series

struct Collection {
    const char *name;
    lc::collection::SyntheticOptions options; // games 0: the empty delivered database
};

// The judged collection has texts of the usual size; the growth series uses short texts so
// the 100,000-game one stays a few hundred megabytes, and is compared only with itself.
const Collection kEmpty{"empty", {0, 0, 0, 1, 0}};
const Collection kLarge{"large-20000", {20000, 200000, 2000, 1, 10000}};
const Collection kGrowth[] = {
    {"grow-2000", {2000, 20000, 200, 1, 1000}},
    {"grow-20000", {20000, 200000, 200, 1, 10000}},
    {"grow-100000", {100000, 1000000, 200, 1, 50000}},
};

QString cacheRoot()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/collections/");
}

// The program folder holding the collection, made on first use.
QString programFolder(const Collection &c)
{
    const QString dir = cacheRoot() + QString::fromLatin1(c.name) + u'/';
    const QString db = dir + QStringLiteral("lorecase.mdb");
    if (QFile::exists(db))
        return dir;
    QDir().mkpath(dir);
    std::printf("making %s (kept for later runs)...\n", c.name);
    std::fflush(stdout);
    QElapsedTimer t;
    t.start();
    const auto made = c.options.games == 0 ? lc::collection::createDelivered(db)
                                           : lc::collection::createSynthetic(db, c.options);
    if (!made.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(made.message));
        return {};
    }
    std::printf("  %s in %.0f s, %.0f MB\n", qPrintable(made.message), t.elapsed() / 1000.0,
                QFileInfo(db).size() / 1e6);
    std::fflush(stdout);
    return dir;
}

// The statements the start runs, every column of every row read, on a connection of their own.
void bareReads(const QString &path)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    QString games = QStringLiteral("SELECT auto_id, platform_id, genre_id, name FROM game WHERE ");
    for (int p = 1; p <= 19; ++p)
        games += QStringLiteral("%1platform_id = %2").arg(p > 1 ? " OR " : "").arg(p);
    const QByteArray gamesSql = games.toUtf8();
    const char *const statements[] = {
        "SELECT auto_id, brand, name, in_use FROM platform",
        "SELECT auto_id, platform_id, genre_id FROM game",
        gamesSql.constData(),
        "SELECT game_id FROM file",
        "SELECT auto_id, url, title, \"desc\" FROM favorites",
        "SELECT auto_id, tree_key, game, file, platform, sub_cat, genre FROM bookmarks"};
    qint64 sink = 0;
    for (const char *sql : statements) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
        const int cols = sqlite3_column_count(st);
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < cols; ++c) {
                if (sqlite3_column_type(st, c) == SQLITE_TEXT)
                    sink += QString::fromUtf8(
                                reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                                sqlite3_column_bytes(st, c))
                                .size();
                else
                    sink += sqlite3_column_int64(st, c);
            }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    if (sink == 42)
        std::puts("");
}

// The web engine's own start, as the browser pane makes it, for comparison: a profile of its
// own and a view with a page.
void engineStart()
{
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    int argc = 1;
    char name[] = "bench_start";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    auto *profile = new QWebEngineProfile(QStringLiteral("Lorecase"), &app);
    auto *view = new QWebEngineView;
    view->setPage(new QWebEnginePage(profile, view));
}

// One start in this process, as the entry routine makes it; prints a line "phase ms name" at
// each step, then "ms peak-KiB".
int startChild(const QString &folder, bool bare, bool engineOnly)
{
    QElapsedTimer t;
    t.start();
    const auto phase = [&t](const char *name) {
        std::printf("phase %.3f %s\n", t.nsecsElapsed() / 1e6, name);
    };
    if (bare || engineOnly) {
        if (bare)
            bareReads(folder + QStringLiteral("lorecase.mdb"));
        else
            engineStart();
        std::printf("%.3f %ld\n", t.nsecsElapsed() / 1e6, bench::peakRssKb());
        std::fflush(stdout);
        std::_Exit(0);
    }
    qputenv("LORECASE_HOME", folder.toLocal8Bit());
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The web engine's profile and caches stay out of the real home folder.
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    int argc = 1;
    char name[] = "bench_start";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lorecase"));
    phase("application made");
    // A settings store of this run only, without the tip of the day and first-run help, whose
    // windows would wait for a person.
    const QString settingsFile = folder + QStringLiteral("bench-settings/Lorecase.ini");
    QFile::remove(settingsFile);
    lc::settings::useFile(settingsFile);
    lc::settings::SaveSetting(QStringLiteral("Settings"), QStringLiteral("TOD"),
                              QStringLiteral("0"));
    lc::settings::SaveSetting(QStringLiteral("Settings"), QStringLiteral("FirstRun"),
                              QStringLiteral("1"));
    lc::ui::setService(std::make_unique<lc::ui::ScriptedUi>());

    auto *splash = new frmSplash;
    splash->show();
    app.processEvents();
    phase("splash shown");
    frmMain main;
    SetMainForm(&main);
    phase("main window made");
    double ms = -1;
    auto *tree = qobject_cast<ctlTree *>(main.pane(frmMain::Pane::Tree));
    auto *details = qobject_cast<ctlDetails *>(main.pane(frmMain::Pane::Details));
    // The tree pane's status text tells its steps apart.
    QObject::connect(tree->txtSearch, &QLineEdit::textChanged, &app, [&](const QString &text) {
        if (text == QLatin1String("Loading Tree..."))
            phase("database opened");
        else if (text == QLatin1String("Loading Favorites..."))
            phase("tree built");
    });
    QObject::connect(details, &ctlDetails::FavoritesLoaded, &app,
                     [&] { phase("favourites listed"); });
    QObject::connect(details, &ctlDetails::BookmarksLoaded, &app, [&] {
        phase("bookmarks listed");
        ms = t.nsecsElapsed() / 1e6;
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    });
    QTimer::singleShot(120000, &app, &QCoreApplication::quit);
    main.Form_Load();
    phase("layout and panes prepared");
    main.show();
    UnloadForm(splash);
    phase("main window shown");
    app.exec();
    std::printf("%.3f %ld\n", ms, bench::peakRssKb());
    std::fflush(stdout);
    // Tearing down the window and the web engine is not part of a start.
    std::_Exit(ms < 0 ? 1 : 0);
}

struct Figure {
    double ms = 0;
    long peakKb = 0;
    QList<QPair<QString, double>> phases; // median time at the end of each step
};

// Starts of the contenders (folder, "start", "bare" or "engine") taken turn about in fresh
// processes; the medians.
std::vector<Figure> freshStarts(const std::vector<std::pair<QString, QString>> &contenders,
                                int samples)
{
    std::vector<std::vector<double>> times(contenders.size());
    std::vector<long> peaks(contenders.size(), 0);
    std::vector<QList<QString>> phaseNames(contenders.size());
    std::vector<QHash<QString, std::vector<double>>> phaseTimes(contenders.size());
    for (int i = 0; i < samples; ++i)
        for (size_t c = 0; c < contenders.size(); ++c) {
            // The web engine's start-up chatter is shown only when a start failed.
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QString::fromLatin1(bench::kFreshOption), contenders[c].second,
                         contenders[c].first});
            if (!child.waitForFinished(180000) || child.exitCode() != 0) {
                std::fprintf(stderr, "%s\n", child.readAllStandardError().constData());
                return {};
            }
            const QStringList lines =
                QString::fromLatin1(child.readAllStandardOutput()).trimmed().split(u'\n');
            for (const QString &line : lines) {
                if (!line.startsWith(QLatin1String("phase ")))
                    continue;
                const QString name = line.section(u' ', 2);
                if (!phaseNames[c].contains(name))
                    phaseNames[c] << name;
                phaseTimes[c][name].push_back(line.section(u' ', 1, 1).toDouble());
            }
            const QStringList out = lines.constLast().split(u' ');
            bool ok = false;
            times[c].push_back(out.value(0).toDouble(&ok));
            if (!ok)
                return {};
            peaks[c] = std::max(peaks[c], out.value(1).toLong());
        }
    std::vector<Figure> medians;
    for (size_t c = 0; c < contenders.size(); ++c) {
        std::sort(times[c].begin(), times[c].end());
        Figure f{times[c][times[c].size() / 2], peaks[c], {}};
        for (const QString &name : phaseNames[c]) {
            std::vector<double> &v = phaseTimes[c][name];
            std::sort(v.begin(), v.end());
            f.phases.append({name, v[v.size() / 2]});
        }
        medians.push_back(f);
    }
    return medians;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    if (argc == 4 && qstrcmp(argv[1], bench::kFreshOption) == 0)
        return startChild(QString::fromLocal8Bit(argv[3]), qstrcmp(argv[2], "bare") == 0,
                          qstrcmp(argv[2], "engine") == 0);

    QCoreApplication app(argc, argv);
    const QString empty = programFolder(kEmpty);
    const QString large = programFolder(kLarge);
    if (empty.isEmpty() || large.isEmpty())
        return 1;
    const QString start = QStringLiteral("start");
    const auto main = freshStarts({{large, start},
                                   {empty, start},
                                   {large, QStringLiteral("bare")},
                                   {empty, QStringLiteral("engine")}},
                                  kSamples);
    if (main.size() != 4) {
        std::fprintf(stderr, "a fresh start failed\n");
        return 1;
    }
    const double reference = main[1].ms + main[2].ms;
    std::printf("fresh processes, median of %d:\n", kSamples);
    std::printf(
        "start, 20,000 games / 200,000 files / 10,000 bookmarks %8.1f ms  (goal < 1500) %s\n",
        main[0].ms, main[0].ms < 1500 ? "ok" : "MISSED");
    std::printf("start, empty delivered database                       %8.1f ms\n", main[1].ms);
    std::printf("bare SQL reads of the start, large collection         %8.1f ms\n", main[2].ms);
    std::printf("large start / (empty start + bare reads)              %8.2f   (goal <= 2) %s\n",
                main[0].ms / reference, main[0].ms <= 2 * reference ? "ok" : "MISSED");
    std::printf("peak RSS, large start                                 %8.1f MB  (goal < 400) %s\n",
                main[0].peakKb / 1024.0, main[0].peakKb < 400 * 1024 ? "ok" : "MISSED");
    std::printf("peak RSS, empty start                                 %8.1f MB\n",
                main[1].peakKb / 1024.0);
    std::printf("web engine start alone (profile, view, page)          %8.1f ms\n", main[3].ms);
    // Where the time goes: the median moment each step ended, from the first line of main.
    std::printf("steps (ms since main began)      large    empty\n");
    for (const auto &[name, ms] : main[0].phases) {
        double emptyMs = 0;
        for (const auto &[n, e] : main[1].phases)
            if (n == name)
                emptyMs = e;
        std::printf("  %-28s %8.1f %8.1f\n", qPrintable(name), ms, emptyMs);
    }
    std::fflush(stdout);

    if (qEnvironmentVariableIsSet("LORECASE_BENCH_QUICK"))
        return 0;
    // The sizes taken turn about, with the empty start, so a busy moment hits them alike.
    std::vector<std::pair<QString, QString>> sizes{{empty, start}};
    for (const Collection &c : kGrowth) {
        sizes.push_back({programFolder(c), start});
        if (sizes.back().first.isEmpty())
            return 1;
    }
    const auto grown = freshStarts(sizes, kGrowthSamples);
    if (grown.size() != sizes.size()) {
        std::fprintf(stderr, "a fresh start failed\n");
        return 1;
    }
    std::printf("growth (short texts, bookmarks = games / 2), median of %d; beyond the empty "
                "start %.1f ms:\n",
                kGrowthSamples, grown[0].ms);
    for (size_t i = 1; i < grown.size(); ++i) {
        const Figure &f = grown[i];
        const double extra = f.ms - grown[0].ms;
        std::printf("%7d games %8.1f ms  (+%7.1f)  peak RSS %7.1f MB", kGrowth[i - 1].options.games,
                    f.ms, extra, f.peakKb / 1024.0);
        if (i > 1)
            std::printf("   extra x%.2f for x%.0f games", extra / (grown[i - 1].ms - grown[0].ms),
                        double(kGrowth[i - 1].options.games) / kGrowth[i - 2].options.games);
        std::printf("\n");
    }
    return 0;
}
