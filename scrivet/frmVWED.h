#pragma once

#include "ViewEditArgs.h"
#include "scrivet_export.h"

#include <QColor>
#include <QMainWindow>

#include <array>
#include <memory>

class QAction;
class QActionGroup;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QToolBar;
class clsFind;

namespace lc::controls {
class RichTextBox;
}

// The viewer/editor window: a header frame with the file's platform, genre, description,
// source and sub-category, the rich text box, and the tool bars and menus that edit it.
// It stores nothing itself: saving raises AddFile or SaveEdit for its owner.
class SCRIVET_EXPORT frmVWED : public QMainWindow {
    Q_OBJECT
public:
    explicit frmVWED(QWidget *parent = nullptr);
    ~frmVWED() override;

    // Header frame.
    QFrame *fFrame = nullptr;
    QLabel *lblPlatform = nullptr;
    QLabel *lblGenre = nullptr;
    QLineEdit *txtDesc = nullptr;
    QLineEdit *txtSource = nullptr;
    QLabel *lblSubCat = nullptr;
    // Captions of the frame: index 2 is the description's ("Desc:"), 3 the source's.
    QLabel *lblLabel(int index) const;
    // One picture per sub-category (1 to 6); only the current one is visible.
    QLabel *imgSubCat(int index) const;

    lc::controls::RichTextBox *rtbText = nullptr;

    // Formatting tool bar, its font boxes and the font colour button.
    QToolBar *tbrTools = nullptr;
    QComboBox *cboFontName = nullptr;
    QComboBox *cboFontSize = nullptr;
    QToolBar *tbrFontColor = nullptr;
    // "Save", "Cut", "Copy", "Paste", "Print", "Bold", "Italic", "Underline", "Font Color".
    QAction *tbrToolsButton(const QString &key) const;

    // Six buttons acting as one group; button i stands for sub-category i.
    QToolBar *tbrSubCat = nullptr;
    QAction *tbrSubCatButton(int index) const;

    // The editing and the viewing File menus (one of them shown) and the Search menu.
    QMenu *mnuFileE = nullptr;
    QAction *mnuFileESave = nullptr;
    QAction *mnuInsertPicture = nullptr;
    QAction *mnuFileEPrint = nullptr;
    QAction *mnuClose = nullptr;
    QMenu *mnuFileV = nullptr;
    QAction *mnuFileVEdit = nullptr;
    QAction *mnuFileVPrint = nullptr;
    QAction *mnuFileVClose = nullptr;
    QMenu *mnuSearch = nullptr;
    QAction *mnuSearchFind = nullptr;

    // Fills the window with a file: placement, font lists, sub-category, header and text.
    // What the boxes hold afterwards is the reference the closing prompt compares against.
    void Form_Load(const ViewEditArgs &file);
    // Layout, caption, menus and lock state of a mode.
    void ApplyMode(enMode mode);
    enMode mode() const { return m_mode; }

    // Enables or disables "Save" in the menu and on the tool bar together; an enabled Save
    // is the window's record of unsaved changes.
    void SaveButtons(bool enabled);
    bool saveEnabled() const;
    void SetSubCategory(quint8 code);
    // The first pressed sub-category button, 0 when none is.
    quint8 SelectedSubCategory() const;
    // True when the boxes differ from what was loaded or last saved.
    bool changed() const;

    // Commands, as the menus and buttons run them.
    void mnuFileVEdit_Click();
    void Save();
    void tbrTools_ButtonClick(const QString &key);
    void InsertPicture();
    void FindOnThisPage();
    void PrintRequest();

    // Told by the owner, while it handles AddFile or SaveEdit, that the file could not be
    // stored: the window then stays open with Save enabled.
    void StoreFailed();

Q_SIGNALS:
    void AddFile(quint8 bytSubCat, const QString &strSource, const QString &strDescription,
                 const QString &strTextRTF);
    void SaveEdit(qint32 lngFileId, quint8 bytSubCat, const QString &strSource,
                  const QString &strDescription, const QString &strTextRTF);
    void PrintInfo(const QString &strLine1, const QString &strDesc, const QString &strSource,
                   const QString &strRTF);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildHeader();
    void buildTools();
    void buildMenus();
    void arrange();
    void arrangeFrame(int width);
    void showSourceAsLink(bool link);
    void lookOfMode(bool editing);
    void FillFontNames();
    void refreshFormatting();
    void toggleStyle(const QString &key);
    void FontColor();
    bool QueryUnload();
    void bringToFront();
    void savePlacement();
    bool allBlank() const;

    std::array<QLabel *, 4> m_labels{};
    std::array<QLabel *, 6> m_pictures{};
    std::array<QAction *, 6> m_subCatButtons{};
    QActionGroup *m_subCatGroup = nullptr;
    QWidget *m_client = nullptr;

    enMode m_mode = enBrandNew;
    qint32 m_fileId = 0;
    QString m_gameTitle;
    // The reference for the change test.
    quint8 m_refSubCat = 0;
    QString m_refSource;
    QString m_refDescription;

    bool m_storeFailed = false;
    QColor m_lastColor = Qt::black;
    std::unique_ptr<clsFind> m_find;
};
