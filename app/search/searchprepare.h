#pragma once

#include <QString>

class QWidget;

namespace lc::db {
class Connection;
}

namespace lc::search {

// Brings the collection's search index into step behind a cancellable "Preparing search..."
// with a progress bar (shown only when it takes a while). The other windows wait meanwhile, so
// nothing closes the connection underneath. A failure (a side file that cannot be made, a full
// disk) is written to the error log under the given module and procedure.
enum class Prepared { Ready, Cancelled, Failed };
Prepared PrepareIndex(lc::db::Connection &conn, QWidget *parent, const QString &module,
                      const QString &procedure);

} // namespace lc::search
