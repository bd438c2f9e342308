#include "realui.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QTextBrowser>
#include <QUrl>

#include <algorithm>

namespace lc::ui {

Answer RealUi::messageBox(const QString &text, const QString &title, Buttons buttons, Icon icon)
{
    QMessageBox box(QApplication::activeWindow());
    box.setText(text);
    box.setWindowTitle(title);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
    QMessageBox::StandardButtons b;
    switch (buttons) {
    case Buttons::Ok:
        b = QMessageBox::Ok;
        break;
    case Buttons::OkCancel:
        b = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case Buttons::YesNo:
        b = QMessageBox::Yes | QMessageBox::No;
        break;
    case Buttons::YesNoCancel:
        b = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case Buttons::RetryCancel:
        b = QMessageBox::Retry | QMessageBox::Cancel;
        break;
    case Buttons::AbortRetryIgnore:
        b = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
        break;
    }
    box.setStandardButtons(b);
    // A short message ("Finished!") would make a box narrower than its own title.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
        const int wide = std::max(box.fontMetrics().horizontalAdvance(title) + 160, 260);
        grid->addItem(new QSpacerItem(wide, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Retry:
        return Answer::Retry;
    case QMessageBox::Abort:
        return Answer::Abort;
    case QMessageBox::Ignore:
        return Answer::Ignore;
    default:
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

std::optional<QString> RealUi::inputBox(const QString &prompt, const QString &title,
                                        const QString &defaultText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), title, prompt,
                                               QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

static QString startPath(const FileDialogRequest &r)
{
    if (r.initialName.isEmpty())
        return r.initialDir;
    if (r.initialDir.isEmpty())
        return r.initialName;
    return QDir(r.initialDir).filePath(r.initialName);
}

std::optional<QString> RealUi::openFile(const FileDialogRequest &r)
{
    const QString f = QFileDialog::getOpenFileName(QApplication::activeWindow(), r.title,
                                                   startPath(r), toDialogFilter(r.filter));
    if (f.isEmpty())
        return std::nullopt;
    return f;
}

std::optional<QString> RealUi::saveFile(const FileDialogRequest &r)
{
    const QString f = QFileDialog::getSaveFileName(QApplication::activeWindow(), r.title,
                                                   startPath(r), toDialogFilter(r.filter));
    if (f.isEmpty())
        return std::nullopt;
    return f;
}

std::optional<QColor> RealUi::chooseColor(const QColor &initial)
{
    const QColor c = QColorDialog::getColor(initial, QApplication::activeWindow());
    if (!c.isValid())
        return std::nullopt;
    return c;
}

bool RealUi::printDialog(QPrinter &printer, QWidget *parent)
{
    QPrintDialog dialog(&printer, parent ? parent : QApplication::activeWindow());
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    return dialog.exec() == QDialog::Accepted;
}

int RealUi::showModal(QDialog &dialog)
{
    return dialog.exec();
}

void RealUi::processEvents()
{
    QCoreApplication::processEvents();
}

void RealUi::setWaitCursor(bool on)
{
    if (on == m_waitCursor)
        return;
    m_waitCursor = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

bool RealUi::showHelp(const QString &helpFile, int command, const QString &key,
                      QString *errorDescription)
{
    QFile f(helpFile);
    if (!f.open(QIODevice::ReadOnly)) {
        if (errorDescription)
            *errorDescription = QStringLiteral("Cannot open the Help file %1.").arg(helpFile);
        return false;
    }
    // One help window for the whole run; it is reused for every help request.
    static QPointer<QTextBrowser> window;
    if (!window) {
        window = new QTextBrowser;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setOpenExternalLinks(true);
        window->resize(640, 560);
    }
    window->setWindowTitle(QStringLiteral("Lorecase Help"));
    window->setHtml(QString::fromUtf8(f.readAll()));
    if (!key.isEmpty())
        window->find(key);
    Q_UNUSED(command);
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

bool RealUi::shellOpen(const QString &target, const QString &workingDir)
{
    const QFileInfo fi(target);
    if (fi.isFile() && fi.isExecutable())
        return QProcess::startDetached(fi.absoluteFilePath(), {}, workingDir);
    const QUrl url = fi.exists() ? QUrl::fromLocalFile(fi.absoluteFilePath())
                                 : QUrl::fromUserInput(target, workingDir);
    return QDesktopServices::openUrl(url);
}

} // namespace lc::ui
