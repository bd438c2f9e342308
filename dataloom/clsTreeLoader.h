#pragma once

#include "dataloom_export.h"

#include <QObject>
#include <QString>

namespace lc::db {
class Connection;
}
namespace lc::controls {
class TreeNodes;
}

// Builds the game tree in one pass: the root, the brands with two or more platforms in use,
// the platforms in use with their eight genres, and every game of an in-use platform, each
// caption with the number of games or files below it.
class DATALOOM_EXPORT clsTreeLoader : public QObject {
    Q_OBJECT
public:
    lc::db::Connection *M_ADO_CONNECTION = nullptr;
    QString ErrLogFile;

    // Clears the tree and fills it; raises Finished exactly once, also after a failure.
    void LoadTree(lc::controls::TreeNodes &tree);

Q_SIGNALS:
    void Finished();
};
