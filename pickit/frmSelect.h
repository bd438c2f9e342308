#pragma once

#include "pickit_export.h"

#include <QDialog>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

// The selector window: platform, genre and (unless only a genre is wanted) game.
class PICKIT_EXPORT frmSelect : public QDialog {
    Q_OBJECT
public:
    explicit frmSelect(QWidget *parent = nullptr);

    QLabel *lblCaption = nullptr;
    QLabel *Label1[3] = {};
    QLabel *Label2 = nullptr;
    QFrame *Shape1[2] = {};
    QComboBox *cboPlatform = nullptr;
    QComboBox *cboGenre = nullptr;
    QComboBox *cboGame = nullptr;
    QWidget *picBtnHolder = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

    bool blnIsGame = false;
    qint32 lngInternalGameId = 0;

    // Only platform and genre are chosen: the game box and its hint go away.
    void setGameHidden();
    void cmdOK_Click();
    void cmdCancel_Click();

Q_SIGNALS:
    void GetGameId(const QString &strName);
    void CompleteSelect(quint8 bytPlatformId, quint8 bytGenreId, qint32 lngGameId, bool blnCancel);
    void PlatformChange(quint8 bytPlatformId);
    void GenreChange(quint8 bytGenreId);
    void AddGame(quint8 bytPlatformId, quint8 bytGenreId, const QString &strName);
    void SetGameID(qint32 lngGameId);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    quint8 platformId() const;
    quint8 genreId() const;

    int m_width = 0; // twips
};
