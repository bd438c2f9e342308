#include "searchprepare.h"

#include "connection.h"
#include "errorlog.h"
#include "searchindex.h"
#include "uiservice.h"

#include <QProgressDialog>

namespace lc::search {

Prepared PrepareIndex(lc::db::Connection &conn, QWidget *parent, const QString &module,
                      const QString &procedure)
{
    using lc::db::SearchIndex;
    if (!conn.isOpen())
        return Prepared::Failed;
    lc::db::Error error;
    if (!SearchIndex::isAttached(conn) && !SearchIndex::attach(conn, &error)) {
        lc::errorlog::Reporter::program().write(module, procedure, error);
        return Prepared::Failed;
    }
    if (SearchIndex::need(conn) == SearchIndex::Need::Nothing) {
        if (SearchIndex::refresh(conn, &error))
            return Prepared::Ready;
        lc::errorlog::Reporter::program().write(module, procedure, error);
        return Prepared::Failed;
    }
    QProgressDialog progress(QStringLiteral("Preparing search..."), QStringLiteral("Cancel"), 0,
                             1000, parent);
    progress.setWindowTitle(QStringLiteral("Lorecase"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(400);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    const bool ready = SearchIndex::prepare(
        conn,
        [&](qint64 done, qint64 total) {
            progress.setValue(total > 0 ? int(done * 1000 / total) : 1000);
            lc::ui::service().processEvents();
            return !progress.wasCanceled();
        },
        &error);
    if (ready)
        return Prepared::Ready;
    if (!error)
        return Prepared::Cancelled;
    lc::errorlog::Reporter::program().write(module, procedure, error);
    return Prepared::Failed;
}

} // namespace lc::search
