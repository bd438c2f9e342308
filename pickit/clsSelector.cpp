#include "clsSelector.h"

#include "clsCombos.h"
#include "treekeys.h"
#include "uiservice.h"

#include <QComboBox>
#include <QLabel>

clsSelector::clsSelector() : m_form(new frmSelect)
{
    frmSelect *f = m_form;
    connect(f, &frmSelect::PlatformChange, this, [this](quint8 id) {
        Platform_ID = id;
        loadGames();
    });
    connect(f, &frmSelect::GenreChange, this, [this](quint8 id) {
        Genre_ID = id;
        loadGames();
    });
    connect(f, &frmSelect::AddGame, this,
            [this](quint8 platform, quint8 genre, const QString &name) {
                clsGCombo games;
                games.M_ADO_CONNECTION = M_ADO_CONNECTION;
                Game_ID = games.Add(platform, genre, name);
                if (Game_ID == 0)
                    return;
                const QString parentKey = lc::keys::genreKey(genre, platform);
                Q_EMIT AddGameNode(name, parentKey, lc::keys::gameKey(Game_ID, parentKey));
            });
    connect(f, &frmSelect::SetGameID, this, [this](qint32 id) { Game_ID = id; });
    connect(f, &frmSelect::GetGameId, this, [this](const QString &name) {
        m_Game_Name = name;
        if (m_form)
            m_form->lngInternalGameId = Game_ID;
    });
    connect(f, &frmSelect::CompleteSelect, this,
            [this](quint8 platform, quint8 genre, qint32 game, bool cancel) {
                if (m_form) {
                    m_form->close();
                    m_form->deleteLater();
                    m_form = nullptr;
                }
                Q_EMIT CompleteSelect(platform, genre, game, cancel);
            });
}

clsSelector::~clsSelector()
{
    delete m_form;
}

void clsSelector::loadGames()
{
    if (!m_form)
        return;
    clsGCombo games;
    games.M_ADO_CONNECTION = M_ADO_CONNECTION;
    const int n = games.LoadCombo(m_form->cboGame, Platform_ID, Genre_ID);
    // Filling selects the first game; left so, OK would file under a game nobody chose.
    m_form->cboGame->setCurrentIndex(-1);
    m_form->cboGame->setEditText(QString());
    // Moving a game keeps the game itself; only the shown box's choice is dropped.
    if (!m_form->blnIsGame)
        Game_ID = 0;
    m_form->Label1[2]->setText(QStringLiteral(" Games: ") + QString::number(n));
}

void clsSelector::Show(quint8 bytPlatformId, quint8 bytGenreId, qint32 lngGameId,
                       const QString &strCaption, bool blnIsGame)
{
    if (!m_form)
        return;
    frmSelect &f = *m_form;
    clsPCombo platforms;
    platforms.M_ADO_CONNECTION = M_ADO_CONNECTION;
    if (blnIsGame)
        f.setGameHidden();

    {
        const QSignalBlocker quiet(f.cboPlatform);
        platforms.LoadCombo(f.cboPlatform);
        f.cboPlatform->setCurrentIndex(-1);
    }
    const int genre = bytGenreId >= 1 && bytGenreId <= 8 ? bytGenreId - 1 : 0;
    Genre_ID = quint8(genre + 1);
    {
        const QSignalBlocker quiet(f.cboGenre);
        f.cboGenre->setCurrentIndex(genre);
    }
    // Selecting the platform runs the change handling, which fills the game box before the
    // game is preset.
    if (bytPlatformId != 0)
        f.cboPlatform->setCurrentIndex(f.cboPlatform->findData(int(bytPlatformId)));
    else if (f.cboPlatform->count() > 0)
        f.cboPlatform->setCurrentIndex(0);
    if (f.cboPlatform->currentIndex() < 0) {
        // No platform is chosen, so there is no game list to count.
        f.cboGame->clear();
        f.cboGame->setEditText(QString());
        Game_ID = 0;
    }
    if (lngGameId > 0) {
        const int i = f.cboGame->findData(qlonglong(lngGameId));
        if (i >= 0) {
            f.cboGame->setCurrentIndex(i);
            Game_ID = lngGameId;
        }
    } else {
        f.cboGame->setCurrentIndex(-1);
        f.cboGame->setEditText(QString());
    }
    f.lblCaption->setText(QStringLiteral(" ") + strCaption);
    lc::ui::service().showModal(f);
}
