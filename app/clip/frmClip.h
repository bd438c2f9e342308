#pragma once

#include <QDialog>

#include <functional>

class QAction;
class QMenuBar;
class QPrinter;
class QTextDocument;

namespace lc::controls {
class RichTextBox;
}

// The Quick Clip viewer: shows the clips gathered in ~clp.tmp and keeps, prints or clears
// them. It reads the scratch file when it opens and never writes it back.
class frmClip : public QDialog {
    Q_OBJECT
public:
    // Printing margins in twips.
    struct Margins {
        int left = 800;
        int top = 900;
        int right = 900;
        int bottom = 1000;
    };
    using PrintRoutine = std::function<bool(const QTextDocument &, QPrinter &, const Margins &)>;

    explicit frmClip(QWidget *parent = nullptr);

    // The main window passes its rich-text print routine; without one the document prints
    // itself.
    void setPrintRoutine(PrintRoutine routine) { m_print = std::move(routine); }

    lc::controls::RichTextBox *textBox() const { return txtRTF; }

    enum class ClearItem { Follow, Leave };
    void EnableMenus(bool enabled, ClearItem clear = ClearItem::Follow);

    void mnuFileOpen_Click();
    void mnuFileSaveAs_Click();
    void mnuAddTo_Click();
    void mnuFilePrint_Click();
    void mnuFileClear_Click();
    void mnuFontCourierNew_Click();
    void mnuFontFixedsys_Click();

    QAction *mnuFileOpen = nullptr;
    QAction *mnuFileSaveAs = nullptr;
    QAction *mnuAddTo = nullptr;
    QAction *mnuFilePrint = nullptr;
    QAction *mnuFileClear = nullptr;
    QAction *mnuFileExit = nullptr;
    QAction *mnuFontCourierNew = nullptr;
    QAction *mnuFontFixedsys = nullptr;

protected:
    void done(int result) override;

private:
    void Form_Load();
    void setClipFont(const QString &name);
    void showText(const QString &text);
    bool writeFailed(const QString &operation, const QString &path, const QString &why);

    QMenuBar *m_menuBar = nullptr;
    lc::controls::RichTextBox *txtRTF = nullptr;
    PrintRoutine m_print;
};
