#pragma once

#include "pickit_export.h"

#include "frmSelect.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace lc::db {
class Connection;
}

// Lets the user pick a platform, a genre and a game in a modal window, creating the game
// when a new title is typed.
class PICKIT_EXPORT clsSelector : public QObject {
    Q_OBJECT
public:
    clsSelector();
    ~clsSelector() override;

    lc::db::Connection *M_ADO_CONNECTION = nullptr;
    QString m_Game_Name;
    quint8 Platform_ID = 0;
    quint8 Genre_ID = 0;
    qint32 Game_ID = 0;
    frmSelect *SelectorForm() const { return m_form; }

    void Show(quint8 bytPlatformId, quint8 bytGenreId, qint32 lngGameId, const QString &strCaption,
              bool blnIsGame);

Q_SIGNALS:
    void CompleteSelect(quint8 bytPlatformId, quint8 bytGenreId, qint32 lngGameId, bool blnCancel);
    void AddGameNode(const QString &strName, const QString &strParentKey, const QString &strKey);

private:
    void loadGames();
    QPointer<frmSelect> m_form;
};
