#include "frmClip.h"

#include "clipfile.h"
#include "dberror.h"
#include "errorlog.h"
#include "menuitems.h"
#include "richtextbox.h"
#include "settings.h"
#include "twips.h"
#include "uiservice.h"

#include <QAction>
#include <QActionGroup>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QVBoxLayout>

using namespace lc;

namespace {
const QString kSection = QStringLiteral("Settings");
const QString kCaption = QStringLiteral("Quick Clip Viewer");
const QString kFilter = QStringLiteral("Quick Clip Files *.qcf|*.qcf");
const QString kCourierNew = QStringLiteral("Courier New");
const QString kFixedsys = QStringLiteral("Fixedsys");

// The window's designed place and size, in twips.
constexpr int kDefaultLeft = 1440;
constexpr int kDefaultTop = 1440;
constexpr int kDefaultWidth = 9000;
constexpr int kDefaultHeight = 6600;

// A family that is installed, so the text stays fixed-width where the named font is missing.
QString installedFamily(const QString &name)
{
    if (QFontDatabase::hasFamily(name))
        return name;
    return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
}

bool isBlank(const QString &text)
{
    return text.trimmed().isEmpty();
}
} // namespace

frmClip::frmClip(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmClip"));
    setWindowTitle(kCaption);

    m_menuBar = new QMenuBar(this);
    QMenu *file = controls::addMenu(m_menuBar, "&File", "mnuFile");
    mnuFileOpen = controls::addMenuItem(file, "&Open...", "mnuFileOpen");
    mnuFileSaveAs = controls::addMenuItem(file, "Save &As...", "mnuFileSaveAs");
    mnuAddTo = controls::addMenuItem(file, "A&dd To...", "mnuAddTo");
    file->addSeparator();
    mnuFilePrint = controls::addMenuItem(file, "&Print...", "mnuFilePrint");
    file->addSeparator();
    mnuFileClear = controls::addMenuItem(file, "&Clear", "mnuFileClear");
    file->addSeparator();
    mnuFileExit = controls::addMenuItem(file, "E&xit", "mnuFileExit");
    QMenu *font = controls::addMenu(m_menuBar, "F&ont", "mnuFont");
    mnuFontCourierNew = controls::addMenuItem(font, "&Courier New", "mnuFontCourierNew");
    mnuFontFixedsys = controls::addMenuItem(font, "&Fixedsys", "mnuFontFixedsys");
    auto *fonts = new QActionGroup(this);
    for (QAction *a : {mnuFontCourierNew, mnuFontFixedsys}) {
        a->setCheckable(true);
        fonts->addAction(a);
    }

    txtRTF = new controls::RichTextBox(this);
    txtRTF->setObjectName(QStringLiteral("txtRTF"));
    txtRTF->setAcceptRichText(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(txtRTF);

    connect(mnuFileOpen, &QAction::triggered, this, &frmClip::mnuFileOpen_Click);
    connect(mnuFileSaveAs, &QAction::triggered, this, &frmClip::mnuFileSaveAs_Click);
    connect(mnuAddTo, &QAction::triggered, this, &frmClip::mnuAddTo_Click);
    connect(mnuFilePrint, &QAction::triggered, this, &frmClip::mnuFilePrint_Click);
    connect(mnuFileClear, &QAction::triggered, this, &frmClip::mnuFileClear_Click);
    connect(mnuFileExit, &QAction::triggered, this, &QDialog::accept);
    connect(mnuFontCourierNew, &QAction::triggered, this, &frmClip::mnuFontCourierNew_Click);
    connect(mnuFontFixedsys, &QAction::triggered, this, &frmClip::mnuFontFixedsys_Click);

    Form_Load();
}

void frmClip::Form_Load()
{
    using settings::GetNumber;
    setGeometry(twips::toPixels(GetNumber(kSection, QStringLiteral("ClipLeft"), kDefaultLeft),
                                GetNumber(kSection, QStringLiteral("ClipTop"), kDefaultTop),
                                GetNumber(kSection, QStringLiteral("ClipWidth"), kDefaultWidth),
                                GetNumber(kSection, QStringLiteral("ClipHeight"), kDefaultHeight)));
    setClipFont(settings::GetSetting(kSection, QStringLiteral("QCFont"), kCourierNew));

    const clip::ReadResult scratch = clip::readClipFile(clip::scratchPath());
    if (!scratch.ok)
        ui::msgBox(scratch.error, ui::Buttons::Ok, ui::Icon::Exclamation);
    showText(scratch.text);
}

void frmClip::done(int result)
{
    using settings::SaveNumber;
    const QRect g = geometry();
    SaveNumber(kSection, QStringLiteral("ClipTop"), twips::fromPixels(g.top()));
    SaveNumber(kSection, QStringLiteral("ClipLeft"), twips::fromPixels(g.left()));
    SaveNumber(kSection, QStringLiteral("ClipWidth"), twips::fromPixels(g.width()));
    SaveNumber(kSection, QStringLiteral("ClipHeight"), twips::fromPixels(g.height()));
    QDialog::done(result);
}

void frmClip::EnableMenus(bool enabled, ClearItem clear)
{
    mnuAddTo->setEnabled(enabled);
    mnuFileSaveAs->setEnabled(enabled);
    mnuFilePrint->setEnabled(enabled);
    if (clear == ClearItem::Follow)
        mnuFileClear->setEnabled(enabled);
}

void frmClip::showText(const QString &text)
{
    txtRTF->setText(text);
    EnableMenus(!isBlank(text));
}

void frmClip::setClipFont(const QString &name)
{
    QFont f = txtRTF->font();
    f.setFamily(installedFamily(name));
    f.setStyleHint(QFont::Monospace);
    txtRTF->setFont(f);
    txtRTF->document()->setDefaultFont(f);
    const bool fixedsys = name == kFixedsys;
    mnuFontFixedsys->setChecked(fixedsys);
    mnuFontCourierNew->setChecked(!fixedsys);
}

void frmClip::mnuFontCourierNew_Click()
{
    setClipFont(kCourierNew);
    settings::SaveSetting(kSection, QStringLiteral("QCFont"), kCourierNew);
}

void frmClip::mnuFontFixedsys_Click()
{
    setClipFont(kFixedsys);
    settings::SaveSetting(kSection, QStringLiteral("QCFont"), kFixedsys);
}

bool frmClip::writeFailed(const QString &operation, const QString &path, const QString &why)
{
    if (why.isEmpty())
        return false;
    errorlog::Reporter::program().write(QStringLiteral("frmClip"), operation, db::Error{1, why});
    ui::msgBox(QStringLiteral("The Quick Clip File could not be written:\r\n") + path +
                   QStringLiteral("\r\n") + why,
               ui::Buttons::Ok, ui::Icon::Exclamation);
    return true;
}

void frmClip::mnuFileOpen_Click()
{
    const auto chosen = ui::service().openFile(
        {QStringLiteral("Open Quick Clip Files..."), kFilter, clip::clipFolder(), QString()});
    if (!chosen || isBlank(QFileInfo(*chosen).fileName()))
        return;
    const clip::ReadResult r = clip::readClipFile(*chosen);
    if (!r.ok) {
        ui::msgBox(r.error, ui::Buttons::Ok, ui::Icon::Exclamation);
        return;
    }
    showText(r.text);
    setWindowTitle(kCaption + QStringLiteral(" - ") + QFileInfo(*chosen).fileName());
}

void frmClip::mnuFileSaveAs_Click()
{
    const auto chosen = ui::service().saveFile(
        {QStringLiteral("Save Quick Clip Files"), kFilter, clip::clipFolder(), QString()});
    if (!chosen || isBlank(*chosen))
        return;
    if (QFileInfo::exists(*chosen) &&
        ui::msgBox(*chosen + QStringLiteral(" already exists.\r\nDo you want to replace it?"),
                   ui::Buttons::YesNo, ui::Icon::Exclamation,
                   QStringLiteral("Quick Clip")) != ui::Answer::Yes)
        return;
    writeFailed(QStringLiteral("Save Quick Clip Files"), *chosen,
                clip::replaceFile(*chosen, clip::encodeClipText(txtRTF->Text())));
}

void frmClip::mnuAddTo_Click()
{
    const auto chosen = ui::service().saveFile(
        {QStringLiteral("Add To..."), kFilter, clip::clipFolder(), QString()});
    if (!chosen || isBlank(*chosen))
        return;
    const QFileInfo target(*chosen);
    if (target.exists() &&
        ui::msgBox(QStringLiteral("Are you sure you wish to add the Quick Clip contents to ") +
                       *chosen + QStringLiteral("?"),
                   ui::Buttons::YesNo, ui::Icon::Exclamation,
                   QStringLiteral("Add To...")) != ui::Answer::Yes)
        return;
    QByteArray bytes = clip::encodeClipText(txtRTF->Text().trimmed());
    if (target.exists() && target.size() > 0)
        bytes.prepend("\r\n");
    if (writeFailed(QStringLiteral("Add To"), *chosen, clip::appendToFile(*chosen, bytes)))
        return;
    ui::msgBox(QStringLiteral("The Quick Clip contents have been added to the File."),
               ui::Buttons::Ok, ui::Icon::Information);
    QFile::remove(clip::scratchPath());
    showText(QString());
}

void frmClip::mnuFileClear_Click()
{
    if (ui::msgBox(QStringLiteral("Are you sure you wish to clear the Quick Clip contents?"),
                   ui::Buttons::YesNo, ui::Icon::Exclamation,
                   QStringLiteral("Quick Clip")) != ui::Answer::Yes)
        return;
    showText(QString());
    QFile::remove(clip::scratchPath());
}

void frmClip::mnuFilePrint_Click()
{
    if (isBlank(txtRTF->Text())) {
        ui::msgBox(QStringLiteral("There is nothing to print."), ui::Buttons::Ok,
                   ui::Icon::Exclamation);
        return;
    }
    QPrinter printer;
    if (!ui::service().printDialog(printer, this))
        return;
    const Margins margins;
    bool printed = true;
    if (m_print)
        printed = m_print(*txtRTF->document(), printer, margins);
    else
        txtRTF->document()->print(&printer);
    if (printed && printer.printerState() != QPrinter::Error)
        return;
    const QString why = QStringLiteral("The Quick Clips could not be printed.");
    errorlog::Reporter::program().write(QStringLiteral("frmClip"),
                                        QStringLiteral("mnuFilePrint_Click"), db::Error{1, why});
    ui::msgBox(why, ui::Buttons::Ok, ui::Icon::Exclamation);
}
