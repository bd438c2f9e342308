#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;
class QStatusBar;
class QTimer;
class QToolBar;
class QWebEngineLoadingInfo;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

// The embedded web browser: address box, navigation toolbar, progress, status line and a
// pop-up blocker. The file view pane hosts it and passes its events on.
class ctlBrowser : public QWidget {
    Q_OBJECT
public:
    explicit ctlBrowser(QWidget *parent = nullptr);
    ~ctlBrowser() override;

    // Sets the pop-up box from the settings, rewrites the start page and goes home.
    void InitBrowse();
    void BrowseNavigate(const QString &address);
    void ComboFocus();
    QString PageURL() const;
    QString PageTitle() const;
    // The current page's plain text. The engine hands it over later, so this waits for it
    // (and for a page still loading) with pending events running, within a bounded time.
    QString ImportText();

    // The four lines of the start page, byte for byte.
    static QByteArray startPageBytes();
    // The search page used while "BrowseSettings"/"SearchPage" is not set.
    static QString defaultSearchPage();

    // The toolbar button with the given key ("Back" ... "AddFav"), or nullptr.
    QAction *button(const QString &key) const;
    // Windows opened for pop-ups that were let through and are still open.
    QList<QWebEngineView *> popupWindows() const;

    QWebEngineView *brw = nullptr;
    QComboBox *cboURL = nullptr;
    QToolBar *tbrGo = nullptr;
    QToolBar *tbrToolbar = nullptr;
    QCheckBox *chkPopup = nullptr;
    QProgressBar *pBar = nullptr;
    QStatusBar *sbStatusBar = nullptr;
    QLabel *statusPanel1 = nullptr;
    QMenu *mnuHidden = nullptr;
    QAction *mnuAddURL = nullptr;
    QAction *mnuDirectImport = nullptr;
    // Ends the "Disabled!" notice; each blocked window restarts it.
    QTimer *popupNotice = nullptr;

Q_SIGNALS:
    void TitleChange(const QString &title);
    void ShowFavorites();
    void AddFavorite();
    void DirectImport(const QString &address, const QString &title, const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void connectEngine();
    void onToolbar(const QString &key);
    void onGo();
    void onTypedAddress();
    void onUrlChanged(const QUrl &url);
    void onLoadFinished(bool ok);
    void onPopupClicked(bool checked);
    QWebEnginePage *onNewWindow();
    void showPopupNotice();
    void endPopupNotice();
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void showNavigationFailure(const QString &typed);
    void selectAddress();
    bool onStartPage() const;
    QString homeAddress() const;
    static QUrl toUrl(const QString &address);

    QWebEngineProfile *m_profile = nullptr;
    QList<QPointer<QWebEngineView>> m_popups;
    QString m_typedAddress; // a typed address not yet known to have loaded
    QUrl m_typedUrl;
    bool m_onFailurePage = false;
    bool m_loading = false;
    quint64 m_loadGeneration = 0;
};
