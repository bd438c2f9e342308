#pragma once

#include "pickit_export.h"

#include <QString>

class QComboBox;
namespace lc::db {
class Connection;
}

// Fills a combo box with the platforms in use (text: name, item data: platform id). A
// failing query leaves the box empty.
class PICKIT_EXPORT clsPCombo {
public:
    lc::db::Connection *M_ADO_CONNECTION = nullptr;
    void LoadCombo(QComboBox *cbo);
};

// Fills a combo box with the games of a platform (and genre, unless it is 0), and adds games.
class PICKIT_EXPORT clsGCombo {
public:
    lc::db::Connection *M_ADO_CONNECTION = nullptr;
    // Returns the number of games listed.
    int LoadCombo(QComboBox *cbo, quint8 bytPlatformId, quint8 bytGenreId);
    // Stores a new game exactly as typed and tells the user; returns its id, or 0 when it
    // could not be stored.
    qint32 Add(quint8 bytPlatformId, quint8 bytGenreId, const QString &strName);
};
