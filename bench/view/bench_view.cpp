// Lists a game of 2,000 files of about 10 KB of RTF each in the file view pane and compares
// that with the bare read of the same rows; then clicks through files one after the other,
// shows one 10 MB file, and watches the memory while 1,000 files are clicked through.
#include "collection.h"
#include "connection.h"
#include "ctlView.h"
#include "keyedlistview.h"
#include "recordset.h"
#include "richtextbox.h"
#include "settings.h"

#include "../benchtiming.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kGame = 7001;

class PaintCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};
constexpr int kBigGame = 7002;

QByteArray makeRtf(qsizetype target, int seed)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"
                     "{\\f1\\fnil Courier New;}}{\\colortbl ;\\red128\\green0\\blue0;}"
                     "\\viewkind4\\uc1\\pard\\f0\\fs20 ";
    for (int i = 0; rtf.size() < target; ++i)
        rtf += "Step " + QByteArray::number(seed) + "." + QByteArray::number(i) +
               ": take the \\b lamp\\b0 , then \\cf1 the \\i north\\i0  door\\cf0 .\\par\r\n";
    return rtf + "}";
}

void fill(const QString &path)
{
    sqlite3 *h = nullptr;
    sqlite3_open(path.toUtf8().constData(), &h);
    sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(h,
                       "INSERT INTO file (game_id, sub_cat, src, desc, txt_rtf) "
                       "VALUES (?, ?, ?, ?, ?)",
                       -1, &st, nullptr);
    const auto add = [&](int game, int i, const QByteArray &rtf) {
        const QByteArray src = "Source " + QByteArray::number(i);
        const QByteArray desc = "Guide number " + QByteArray::number(i);
        sqlite3_bind_int(st, 1, game);
        sqlite3_bind_int(st, 2, 1 + i % 6);
        sqlite3_bind_text(st, 3, src.constData(), int(src.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, desc.constData(), int(desc.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 5, rtf.constData(), int(rtf.size()), SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    };
    for (int i = 0; i < 2000; ++i)
        add(kGame, i, makeRtf(10 * 1024, i));
    add(kBigGame, 0, makeRtf(10 * 1024 * 1024, 0));
    sqlite3_finalize(st);
    sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(h);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    lc::settings::useFile(dir.filePath(QStringLiteral("settings.ini")));
    const QString db = dir.filePath(QStringLiteral("lorecase.mdb"));
    if (!lc::collection::createDelivered(db).ok)
        return 1;
    fill(db);
    lc::db::Connection conn;
    if (!conn.open(db))
        return 1;

    ctlView view(conn);
    view.resize(900, 700);
    view.show();
    view.M_GAME = QStringLiteral("Bench");

    const auto listOnce = [&] {
        view.Reset();
        view.M_GAME_ID = kGame;
        view.ListFiles(kGame, false);
    };
    // The reference: the rows as the listing's statement names them, texts and all.
    const auto bare = [&] {
        lc::db::Recordset rs;
        rs.open(QStringLiteral("SELECT auto_id, game_id, sub_cat, src, desc, txt_rtf FROM file "
                               "WHERE game_id = ") +
                    QString::number(kGame),
                conn);
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            lc::db::readFileRecord(rs);
    };
    // What the pane reads now: the listed columns, then the first file's text by its id.
    const auto bareNeeded = [&] {
        lc::db::Recordset rs;
        rs.open(QStringLiteral("SELECT auto_id, sub_cat, src, desc FROM file WHERE game_id = ") +
                    QString::number(kGame),
                conn);
        qint64 first = 0;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            if (first == 0)
                first = rs.field(0).toLongLong();
            (void)rs.field(2).toString();
            (void)rs.field(3).toString();
        }
        lc::db::Recordset text;
        text.open(QStringLiteral("SELECT auto_id, game_id, sub_cat, src, desc, txt_rtf FROM file "
                                 "WHERE auto_id = ") +
                      QString::number(first),
                  conn);
        lc::db::readFileRecord(text);
    };
    QElapsedTimer first;
    first.start();
    listOnce();
    const double firstMs = double(first.nsecsElapsed()) / 1e6;
    const double listMs = bench::medianMs(7, listOnce);
    const double bareMs = bench::medianMs(7, bare);
    const double neededMs = bench::medianMs(7, bareNeeded);
    std::printf("ListFiles 2,000 x 10 KB: first %.1f ms, warm %.1f ms (limit 150) %s\n", firstMs,
                listMs, std::max(firstMs, listMs) < 150 ? "ok" : "MISSED");
    std::printf("bare read of the same rows: %.1f ms; ratio %.2fx (limit 1.5x) %s\n", bareMs,
                listMs / bareMs, listMs <= 1.5 * bareMs ? "ok" : "MISSED");
    std::printf("bare read of the listed columns and the first text: %.1f ms; ratio %.2fx "
                "(the list, the icons and the first file's layout on top)\n",
                neededMs, listMs / neededMs);

    const int rows = view.lvFiles->count();
    int next = 1;
    const auto click = [&] {
        view.SelectFile(view.lvFiles->key(next));
        next = (next + 1) % rows;
    };
    const double clickMs = bench::medianMs(100, click);
    std::printf("click through 100 small files: %.2f ms median per file (limit 10)\n", clickMs);

    const long before = bench::rssKb();
    for (int i = 0; i < 1000; ++i) {
        click();
        if (i % 50 == 0)
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    const long after = bench::rssKb();
    std::printf("RSS before 1,000 clicks %ld KB, after %ld KB (%+ld KB)\n", before, after,
                after - before);

    // The big file: its start is shown at once and the whole is read in the background; count
    // the timer ticks and the viewer's paints that come through until the whole is shown.
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start(50);
    PaintCounter paints;
    view.rtbText->viewport()->installEventFilter(&paints);
    QElapsedTimer big;
    big.start();
    view.Reset();
    view.M_GAME_ID = kBigGame;
    view.ListFiles(kBigGame, false);
    const double returnedMs = double(big.nsecsElapsed()) / 1e6;
    // Shown means painted once with the text in it.
    const auto paintedMs = [&] {
        const int seen = paints.count;
        while (paints.count == seen && big.elapsed() < 60000) {
            view.rtbText->viewport()->update();
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        return double(big.nsecsElapsed()) / 1e6;
    };
    const bool startShown = view.rtbText->document()->toPlainText().startsWith(u"Step 0.0:");
    const double startMs = paintedMs();
    if (view.rtbText->loading()) {
        QEventLoop wait;
        QObject::connect(view.rtbText, &lc::controls::RichTextBox::Loaded, &wait,
                         &QEventLoop::quit);
        QTimer::singleShot(60000, &wait, &QEventLoop::quit);
        wait.exec();
    }
    const int paintsBefore = paints.count;
    const double wholeMs = paintedMs();
    const bool shown = view.rtbText->document()->characterCount() > 1000000;
    std::printf(
        "10 MB file: its start shown in %.0f ms (limit 1500) %s, the whole file in %.0f ms; "
        "ListFiles returned after %.0f ms; meanwhile %d timer ticks ran and the viewer "
        "painted %d times\n",
        startMs, startShown && startMs < 1500 ? "ok" : "MISSED", wholeMs, returnedMs, ticks,
        paintsBefore);
    if (!shown)
        std::printf("the whole 10 MB file was not shown: MISSED\n");
    return 0;
}
