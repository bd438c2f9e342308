#include "frmVWED.h"

#include "clsFind.h"
#include "fixedlists.h"
#include "menuitems.h"
#include "modPictures.h"
#include "richtextbox.h"
#include "rtf.h"
#include "settings.h"
#include "twips.h"
#include "uiservice.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTextDocument>
#include <QToolBar>

#include <algorithm>
#include <cmath>

using lc::twips::toPixels;

namespace {

const QString kSection = QStringLiteral("ViewEdit");

// Designed size of the window's inner area and of its parts, in twips.
constexpr int kDesignWidth = 10800;
constexpr int kDesignHeight = 8100;
constexpr int kMinWidth = 8400;
constexpr int kMinHeight = 4800;
constexpr int kBarHeight = 330;
constexpr int kFrameTopEdit = 330;
constexpr int kFrameTopView = -90; // tucks the frame's upper edge out of sight
constexpr int kFrameHeight = 1260;
constexpr int kTextGap = 20;
constexpr int kPictureArea = 2400; // right end of the frame: sub-category picture and name
constexpr int kPicturePixels = 32;

const char *const kSizes[] = {"8", "10", "12", "14", "18", "24", "36"};

void place(QWidget *w, int x, int y, int width, int height)
{
    w->setGeometry(x, y, std::max(width, 0), std::max(height, 0));
}

// A size as the size box shows it: whole or half points, as a user would pick them.
QString sizeText(double points)
{
    return QString::number(std::round(points * 2) / 2);
}

// Shows a value in a font box: the list entry when there is one, else the bare text.
void showInBox(QComboBox *box, const QString &text)
{
    const int i = box->findText(text, Qt::MatchFixedString);
    if (i >= 0)
        box->setCurrentIndex(i);
    else
        box->setEditText(text);
}

} // namespace

frmVWED::frmVWED(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmVWED"));
    setWindowTitle(QStringLiteral("Lorecase"));
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);
    m_client->installEventFilter(this);

    // Created in the order the Tab key should visit them outside the text.
    buildTools();
    buildHeader();
    rtbText = new lc::controls::RichTextBox(m_client);
    rtbText->setObjectName(QStringLiteral("rtbText"));
    QFont courier(QStringLiteral("Courier New"));
    courier.setStyleHint(QFont::TypeWriter);
    courier.setPointSizeF(9.75);
    rtbText->setFont(courier);
    rtbText->document()->setDefaultFont(courier);
    buildMenus();

    connect(rtbText, &lc::controls::RichTextBox::Change, this, [this] { SaveButtons(true); });
    connect(rtbText, &lc::controls::RichTextBox::SelChange, this, &frmVWED::refreshFormatting);
    connect(txtDesc, &QLineEdit::textChanged, this, [this] { SaveButtons(true); });
    connect(txtSource, &QLineEdit::textChanged, this, [this] { SaveButtons(true); });

    // The designed look is the editing one; Show picks the look of its mode.
    lookOfMode(true);
    mnuFileV->menuAction()->setVisible(false);
    // Never so narrow that a sub-category button hides behind the bar's overflow arrow.
    setMinimumSize(std::max(toPixels(kMinWidth), tbrSubCat->sizeHint().width()),
                   toPixels(kMinHeight));
    resize(toPixels(kDesignWidth), toPixels(kDesignHeight) + menuBar()->sizeHint().height());
}

frmVWED::~frmVWED() = default;

void frmVWED::buildHeader()
{
    fFrame = new QFrame(m_client);
    fFrame->setObjectName(QStringLiteral("fFrame"));
    fFrame->setFrameShape(QFrame::Box);
    fFrame->setFrameShadow(QFrame::Sunken);

    const auto label = [this](const char *name, const QString &text) {
        auto *l = new QLabel(text, fFrame);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    lblPlatform = label("lblPlatform", {});
    lblGenre = label("lblGenre", {});
    for (QLabel *l : {lblPlatform, lblGenre}) {
        l->setAutoFillBackground(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    m_labels[2] = label("lblLabel_2", QStringLiteral("Desc:"));
    txtDesc = new QLineEdit(fFrame);
    txtDesc->setObjectName(QStringLiteral("txtDesc"));
    m_labels[3] = label("lblLabel_3", QStringLiteral("Source:"));
    txtSource = new QLineEdit(fFrame);
    txtSource->setObjectName(QStringLiteral("txtSource"));
    m_labels[2]->setBuddy(txtDesc);
    m_labels[3]->setBuddy(txtSource);

    for (int i = 0; i < 6; ++i) {
        QLabel *pic = label("imgSubCat", {});
        pic->setObjectName(QStringLiteral("imgSubCat_%1").arg(i + 1));
        pic->setPixmap(scrivet::subCatPicture(quint8(i + 1), kPicturePixels));
        pic->setToolTip(lc::names::subCatName(quint8(i + 1)));
        pic->hide();
        m_pictures[size_t(i)] = pic;
    }
    lblSubCat = label("lblSubCat", {});
    lblSubCat->setAlignment(Qt::AlignCenter);
    QFont bold = lblSubCat->font();
    bold.setBold(true);
    lblSubCat->setFont(bold);
}

void frmVWED::buildTools()
{
    const int bar = toPixels(kBarHeight);
    const auto toolBar = [this, bar](const char *name) {
        auto *t = new QToolBar(m_client);
        t->setObjectName(QString::fromLatin1(name));
        t->setMovable(false);
        t->setFloatable(false);
        t->setIconSize(QSize(16, 16));
        t->setFixedHeight(bar);
        // The bar is as low as its buttons: no room is left around them.
        t->setContentsMargins(0, 0, 0, 0);
        t->layout()->setContentsMargins(0, 0, 0, 0);
        t->layout()->setSpacing(0);
        return t;
    };
    const auto tool = [this](QToolBar *target, const char *key, bool checkable) {
        const QString k = QString::fromLatin1(key);
        QAction *a = target->addAction(scrivet::toolIcon(k), k);
        a->setObjectName(k);
        a->setToolTip(k);
        a->setCheckable(checkable);
        connect(a, &QAction::triggered, this, [this, k] { tbrTools_ButtonClick(k); });
        return a;
    };

    tbrTools = toolBar("tbrTools");
    tool(tbrTools, "Save", false);
    tbrTools->addSeparator();
    tool(tbrTools, "Cut", false);
    tool(tbrTools, "Copy", false);
    tool(tbrTools, "Paste", false);
    tbrTools->addSeparator();
    tool(tbrTools, "Print", false);
    tbrTools->addSeparator();
    tool(tbrTools, "Bold", true)->setShortcut(QKeySequence::Bold);
    tool(tbrTools, "Italic", true)->setShortcut(QKeySequence::Italic);
    tool(tbrTools, "Underline", true)->setShortcut(QKeySequence::Underline);
    tbrTools->addSeparator();

    cboFontName = new QComboBox;
    cboFontName->setObjectName(QStringLiteral("cboFontName"));
    cboFontName->setEditable(true);
    cboFontName->setInsertPolicy(QComboBox::NoInsert);
    cboFontName->setMinimumWidth(toPixels(2700));
    cboFontName->setToolTip(QStringLiteral("Font"));
    cboFontSize = new QComboBox;
    cboFontSize->setObjectName(QStringLiteral("cboFontSize"));
    cboFontSize->setEditable(true);
    cboFontSize->setInsertPolicy(QComboBox::NoInsert);
    // Only entries of the list can be chosen: nothing typed ever reaches the box.
    cboFontSize->lineEdit()->setReadOnly(true);
    cboFontSize->lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
    cboFontSize->setFixedWidth(toPixels(900));
    cboFontSize->setToolTip(QStringLiteral("Font Size"));
    for (QComboBox *box : {cboFontName, cboFontSize}) {
        box->setFixedHeight(bar - 2);
        tbrTools->addWidget(box);
    }
    connect(cboFontName, &QComboBox::activated, this, [this](int i) {
        const QString name = cboFontName->itemText(i);
        if (!name.isEmpty())
            rtbText->setSelFontName(name);
    });
    connect(cboFontSize, &QComboBox::activated, this,
            [this](int i) { rtbText->setSelFontSize(cboFontSize->itemText(i).toDouble()); });

    tbrFontColor = toolBar("tbrFontColor");
    tool(tbrFontColor, "Font Color", false);
    tbrTools->addWidget(tbrFontColor);

    tbrSubCat = toolBar("tbrSubCat");
    tbrSubCat->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_subCatGroup = new QActionGroup(this);
    // Optional so that a code outside the list can show no button pressed; a click on the
    // pressed button presses it again (SetSubCategory).
    m_subCatGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int i = 0; i < 6; ++i) {
        const quint8 code = quint8(i + 1);
        QIcon icon;
        for (int size : {16, 32})
            icon.addPixmap(scrivet::subCatPicture(code, size));
        QAction *a = tbrSubCat->addAction(icon, lc::names::subCatName(code));
        a->setObjectName(QStringLiteral("tbrSubCat_%1").arg(code));
        a->setCheckable(true);
        m_subCatGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, code] {
            SetSubCategory(code);
            SaveButtons(true);
        });
        m_subCatButtons[size_t(i)] = a;
    }
}

void frmVWED::buildMenus()
{
    using lc::controls::addMenuItem;
    mnuFileE = lc::controls::addMenu(menuBar(), "&File", "mnuFileE");
    mnuFileESave = addMenuItem(mnuFileE, "&Save", "mnuFileESave", QKeySequence::Save);
    mnuInsertPicture = addMenuItem(mnuFileE, "&Insert Picture...", "mnuInsertPicture");
    mnuFileEPrint = addMenuItem(mnuFileE, "&Print", "mnuFileEPrint", QKeySequence::Print);
    mnuFileE->addSeparator();
    mnuClose = addMenuItem(mnuFileE, "&Close", "mnuClose", QKeySequence::Close);

    mnuFileV = lc::controls::addMenu(menuBar(), "&File", "mnuFileV");
    mnuFileVEdit = addMenuItem(mnuFileV, "&Edit", "mnuFileVEdit");
    mnuFileVPrint = addMenuItem(mnuFileV, "&Print", "mnuFileVPrint", QKeySequence::Print);
    mnuFileV->addSeparator();
    mnuFileVClose = addMenuItem(mnuFileV, "&Close", "mnuFileVClose", QKeySequence::Close);

    mnuSearch = lc::controls::addMenu(menuBar(), "&Search", "mnuSearch");
    mnuSearchFind =
        addMenuItem(mnuSearch, "&Find On This Page...", "mnuSearchFind", QKeySequence::Find);

    connect(mnuFileESave, &QAction::triggered, this, &frmVWED::Save);
    connect(mnuInsertPicture, &QAction::triggered, this, &frmVWED::InsertPicture);
    connect(mnuFileEPrint, &QAction::triggered, this, &frmVWED::PrintRequest);
    connect(mnuClose, &QAction::triggered, this, &QWidget::close);
    connect(mnuFileVEdit, &QAction::triggered, this, &frmVWED::mnuFileVEdit_Click);
    connect(mnuFileVPrint, &QAction::triggered, this, &frmVWED::PrintRequest);
    connect(mnuFileVClose, &QAction::triggered, this, &QWidget::close);
    connect(mnuSearchFind, &QAction::triggered, this, &frmVWED::FindOnThisPage);
}

QLabel *frmVWED::lblLabel(int index) const
{
    return index >= 0 && index < int(m_labels.size()) ? m_labels[size_t(index)] : nullptr;
}

QLabel *frmVWED::imgSubCat(int index) const
{
    return index >= 1 && index <= 6 ? m_pictures[size_t(index - 1)] : nullptr;
}

QAction *frmVWED::tbrSubCatButton(int index) const
{
    return index >= 1 && index <= 6 ? m_subCatButtons[size_t(index - 1)] : nullptr;
}

QAction *frmVWED::tbrToolsButton(const QString &key) const
{
    for (QToolBar *bar : {tbrTools, tbrFontColor})
        for (QAction *a : bar->actions())
            if (a->objectName() == key)
                return a;
    return nullptr;
}

// ---- Layout ---------------------------------------------------------------------------

void frmVWED::arrange()
{
    if (!rtbText) // still being built
        return;
    const int width = m_client->width();
    const int height = m_client->height();
    const bool tools = m_mode != enView;
    const int bar = toPixels(kBarHeight);
    tbrTools->setVisible(tools);
    tbrSubCat->setVisible(tools);
    if (tools) {
        place(tbrTools, 0, 0, width, bar);
        place(tbrSubCat, 0, height - bar, width, bar);
    }
    const int frameTop = toPixels(tools ? kFrameTopEdit : kFrameTopView);
    place(fFrame, 0, frameTop, width, toPixels(kFrameHeight));
    arrangeFrame(width);
    const int top = frameTop + fFrame->height() + toPixels(kTextGap);
    place(rtbText, 0, top, width, height - ((tools ? bar : 0) + top));
}

void frmVWED::arrangeFrame(int width)
{
    const int margin = toPixels(120);
    const int pictureArea = toPixels(kPictureArea);
    const int right = width - pictureArea;
    const int labels = right - 2 * margin;
    const int platformWidth = labels * 11 / 20;
    place(lblPlatform, margin, toPixels(150), platformWidth, toPixels(300));
    place(lblGenre, margin * 2 + platformWidth, toPixels(150), labels - platformWidth - margin,
          toPixels(300));
    const int boxLeft = toPixels(900);
    place(m_labels[2], margin, toPixels(555), boxLeft - margin, toPixels(285));
    place(txtDesc, boxLeft, toPixels(540), right - boxLeft - margin, toPixels(315));
    place(m_labels[3], margin, toPixels(885), boxLeft - margin, toPixels(285));
    place(txtSource, boxLeft, toPixels(870), right - boxLeft - margin, toPixels(315));
    for (QLabel *pic : m_pictures)
        place(pic, right + (pictureArea - kPicturePixels) / 2, toPixels(180), kPicturePixels,
              kPicturePixels);
    place(lblSubCat, right, toPixels(780), pictureArea - margin / 2, toPixels(285));
}

void frmVWED::lookOfMode(bool editing)
{
    const QPalette system = QApplication::palette();
    for (QLineEdit *box : {txtDesc, txtSource}) {
        box->setFrame(editing);
        box->setReadOnly(!editing);
        QPalette pal = box->palette();
        pal.setColor(QPalette::Base, system.color(editing ? QPalette::Base : QPalette::Button));
        box->setPalette(pal);
    }
    for (QLabel *l : {lblPlatform, lblGenre}) {
        l->setFrameShape(editing ? QFrame::Panel : QFrame::NoFrame);
        l->setFrameShadow(QFrame::Sunken);
        QPalette pal = l->palette();
        pal.setColor(QPalette::Window, system.color(editing ? QPalette::Dark : QPalette::Button));
        pal.setColor(QPalette::WindowText,
                     system.color(editing ? QPalette::Button : QPalette::ButtonText));
        l->setPalette(pal);
    }
    rtbText->setLocked(!editing);
}

void frmVWED::showSourceAsLink(bool link)
{
    const QColor ink = link ? QColor(0, 0, 255) : QColor(Qt::black);
    QFont f = txtSource->font();
    f.setUnderline(link);
    txtSource->setFont(f);
    QPalette pal = txtSource->palette();
    pal.setColor(QPalette::Text, ink);
    txtSource->setPalette(pal);

    QLabel *caption = m_labels[3];
    f = caption->font();
    f.setUnderline(link);
    caption->setFont(f);
    pal = caption->palette();
    pal.setColor(QPalette::WindowText, ink);
    caption->setPalette(pal);
    caption->setText(link ? QStringLiteral("URL:") : QStringLiteral("Source:"));
}

// ---- Loading and modes ----------------------------------------------------------------

void frmVWED::Form_Load(const ViewEditArgs &file)
{
    m_mode = file.vMode;
    m_fileId = file.record.fileId;
    m_gameTitle = file.strGameTitle;

    using namespace lc::settings;
    if (GetNumber(kSection, QStringLiteral("Top"), 0) != 0) {
        move(toPixels(GetNumber(kSection, QStringLiteral("Left"), 0)),
             toPixels(GetNumber(kSection, QStringLiteral("Top"), 0)));
        const int w = GetNumber(kSection, QStringLiteral("Width"), 0);
        const int h = GetNumber(kSection, QStringLiteral("Height"), 0);
        if (w > 0 && h > 0)
            resize(toPixels(w), toPixels(h));
    }

    FillFontNames();
    cboFontSize->clear();
    for (const char *size : kSizes)
        cboFontSize->addItem(QString::fromLatin1(size));

    quint8 subCat = file.record.subCat;
    if (subCat == 0) {
        const int last = GetNumber(kSection, QStringLiteral("LastCat"), 1);
        subCat = last >= 1 && last <= 6 ? quint8(last) : quint8(1);
    }
    SetSubCategory(subCat);

    lblPlatform->setText(QStringLiteral(" Platform:  ") +
                         lc::names::platformName(file.bytPlatformId));
    lblGenre->setText(QStringLiteral(" Genre:  ") + lc::names::genreName(file.bytGenreId));
    txtSource->setText(file.record.source);
    txtDesc->setText(file.record.description);
    // A long address shows its beginning, not its end.
    txtSource->setCursorPosition(0);
    txtDesc->setCursorPosition(0);
    // Older rows hold plain text: it is shown as it is (and saved as RTF). Only text that
    // is not RTF is shown so, or an RTF file without any text would show its codes.
    if (lc::rtf::isRtf(lc::rtf::toBytes(file.record.textRtf)))
        rtbText->setTextRTF(file.record.textRtf);
    else
        rtbText->setText(file.record.textRtf);
    refreshFormatting();

    // Loading alone is no change: the text counts as changed once the user edits it, which
    // spares writing a large document back to RTF only to compare it later.
    m_refSubCat = SelectedSubCategory();
    m_refSource = txtSource->text().trimmed();
    m_refDescription = txtDesc->text().trimmed();
    rtbText->document()->setModified(false);
}

void frmVWED::ApplyMode(enMode mode)
{
    m_mode = mode;
    switch (mode) {
    case enView:
        lookOfMode(false);
        setWindowTitle(QStringLiteral("File: ") + m_gameTitle);
        break;
    case enEdit:
        lookOfMode(true);
        setWindowTitle(QStringLiteral("Editing: ") + m_gameTitle + QStringLiteral(" File"));
        break;
    case enNew:
        lookOfMode(true);
        setWindowTitle(QStringLiteral("Add New Game File To: ") + m_gameTitle);
        // A new file starts with its description; the window gives it the focus when shown.
        txtDesc->setFocus();
        break;
    case enBrandNew:
        lookOfMode(true);
        break;
    }
    mnuFileV->menuAction()->setVisible(mode == enView);
    mnuFileE->menuAction()->setVisible(mode != enView);
    arrange();
    // A new file keeps Save enabled from loading, so that it can be saved at once.
    if (mode == enEdit || mode == enBrandNew)
        SaveButtons(false);
}

void frmVWED::mnuFileVEdit_Click()
{
    if (m_mode != enView)
        return;
    ApplyMode(enEdit);
    refreshFormatting();
}

void frmVWED::SaveButtons(bool enabled)
{
    mnuFileESave->setEnabled(enabled);
    tbrToolsButton(QStringLiteral("Save"))->setEnabled(enabled);
}

bool frmVWED::saveEnabled() const
{
    return tbrToolsButton(QStringLiteral("Save"))->isEnabled();
}

void frmVWED::SetSubCategory(quint8 code)
{
    for (int i = 0; i < 6; ++i)
        m_pictures[size_t(i)]->setVisible(i + 1 == code);
    showSourceAsLink(code == 6);
    lblSubCat->setText(lc::names::subCatName(code));
    if (QAction *button = tbrSubCatButton(code))
        button->setChecked(true);
    else if (QAction *pressed = m_subCatGroup->checkedAction())
        pressed->setChecked(false);
}

quint8 frmVWED::SelectedSubCategory() const
{
    for (int i = 0; i < 6; ++i)
        if (m_subCatButtons[size_t(i)]->isChecked())
            return quint8(i + 1);
    return 0;
}

bool frmVWED::changed() const
{
    return SelectedSubCategory() != m_refSubCat || txtSource->text().trimmed() != m_refSource ||
           txtDesc->text().trimmed() != m_refDescription || rtbText->document()->isModified();
}

bool frmVWED::allBlank() const
{
    return rtbText->Text().trimmed().isEmpty() && txtDesc->text().trimmed().isEmpty() &&
           txtSource->text().trimmed().isEmpty();
}

// ---- Saving and closing ---------------------------------------------------------------

void frmVWED::StoreFailed()
{
    m_storeFailed = true;
}

void frmVWED::Save()
{
    if (m_mode != enEdit && m_mode != enNew)
        return;
    SaveButtons(false);
    const quint8 subCat = SelectedSubCategory();
    const QString source = txtSource->text().trimmed();
    const QString description = txtDesc->text().trimmed();
    const QString text = rtbText->TextRTF();
    m_storeFailed = false;
    if (m_mode == enEdit) {
        Q_EMIT SaveEdit(m_fileId, subCat, source, description, text);
    } else {
        if (allBlank()) {
            close();
            return;
        }
        Q_EMIT AddFile(subCat, source, description, text);
    }
    // What could not be stored stays in the window, still marked as unsaved.
    if (m_storeFailed) {
        SaveButtons(true);
        return;
    }
    m_refSubCat = subCat;
    m_refSource = source;
    m_refDescription = description;
    rtbText->document()->setModified(false);
    lc::settings::SaveNumber(kSection, QStringLiteral("LastCat"), subCat);
    if (m_mode == enNew)
        close();
}

void frmVWED::bringToFront()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

bool frmVWED::QueryUnload()
{
    if (!saveEnabled())
        return true;
    using lc::ui::Answer;
    if (m_mode == enNew) {
        if (allBlank())
            return true;
        bringToFront();
        const Answer a = lc::ui::msgBox(
            QStringLiteral("This file has not been saved.  Do you wish to save it now?"),
            lc::ui::Buttons::YesNoCancel, lc::ui::Icon::Exclamation);
        if (a == Answer::No)
            return true;
        if (a != Answer::Yes)
            return false;
        const quint8 subCat = SelectedSubCategory();
        m_storeFailed = false;
        Q_EMIT AddFile(subCat, txtSource->text().trimmed(), txtDesc->text().trimmed(),
                       rtbText->TextRTF().trimmed());
        if (m_storeFailed)
            return false;
        lc::settings::SaveNumber(kSection, QStringLiteral("LastCat"), subCat);
        return true;
    }
    if (m_mode == enEdit) {
        if (!changed())
            return true;
        bringToFront();
        const Answer a = lc::ui::msgBox(QStringLiteral("Do you wish to save changes?"),
                                        lc::ui::Buttons::YesNoCancel, lc::ui::Icon::Exclamation);
        if (a == Answer::No)
            return true;
        if (a != Answer::Yes)
            return false;
        hide();
        lc::ui::service().processEvents();
        const quint8 subCat = SelectedSubCategory();
        m_storeFailed = false;
        Q_EMIT SaveEdit(m_fileId, subCat, txtSource->text().trimmed(), txtDesc->text().trimmed(),
                        rtbText->TextRTF());
        if (m_storeFailed) {
            show();
            return false;
        }
        lc::settings::SaveNumber(kSection, QStringLiteral("LastCat"), subCat);
        return true;
    }
    return true;
}

void frmVWED::savePlacement()
{
    using lc::twips::fromPixels;
    // Position of the outer frame, size of the inner area: what the load gives back.
    lc::settings::SaveNumber(kSection, QStringLiteral("Top"), fromPixels(y()));
    lc::settings::SaveNumber(kSection, QStringLiteral("Left"), fromPixels(x()));
    lc::settings::SaveNumber(kSection, QStringLiteral("Width"), fromPixels(width()));
    lc::settings::SaveNumber(kSection, QStringLiteral("Height"), fromPixels(height()));
}

void frmVWED::closeEvent(QCloseEvent *event)
{
    if (!QueryUnload()) {
        event->ignore();
        return;
    }
    if (!isMinimized())
        savePlacement();
    event->accept();
}

// ---- Rich-text tools ------------------------------------------------------------------

void frmVWED::tbrTools_ButtonClick(const QString &key)
{
    if (key == QLatin1String("Save"))
        Save();
    else if (key == QLatin1String("Print"))
        PrintRequest();
    else if (key == QLatin1String("Cut"))
        rtbText->cut();
    else if (key == QLatin1String("Copy"))
        rtbText->copy();
    else if (key == QLatin1String("Paste"))
        rtbText->paste();
    else if (key == QLatin1String("Bold") || key == QLatin1String("Italic") ||
             key == QLatin1String("Underline"))
        toggleStyle(key);
    else if (key == QLatin1String("Font Color"))
        FontColor();
}

void frmVWED::toggleStyle(const QString &key)
{
    // A partly formatted selection counts as not formatted: the command formats all of it.
    if (key == QLatin1String("Bold"))
        rtbText->setSelBold(rtbText->SelBold() != true);
    else if (key == QLatin1String("Italic"))
        rtbText->setSelItalic(rtbText->SelItalic() != true);
    else
        rtbText->setSelUnderline(rtbText->SelUnderline() != true);
    refreshFormatting();
    rtbText->setFocus();
}

void frmVWED::refreshFormatting()
{
    tbrToolsButton(QStringLiteral("Bold"))->setChecked(rtbText->SelBold() == true);
    tbrToolsButton(QStringLiteral("Italic"))->setChecked(rtbText->SelItalic() == true);
    tbrToolsButton(QStringLiteral("Underline"))->setChecked(rtbText->SelUnderline() == true);
    if (const auto size = rtbText->SelFontSize())
        showInBox(cboFontSize, sizeText(*size));
    if (const auto name = rtbText->SelFontName())
        showInBox(cboFontName, *name);
}

void frmVWED::FillFontNames()
{
    cboFontName->clear();
    cboFontName->addItems(QFontDatabase::families());
}

void frmVWED::FontColor()
{
    const std::optional<QColor> chosen = lc::ui::service().chooseColor(m_lastColor);
    // Cancel leaves the text as it was.
    if (!chosen || !chosen->isValid())
        return;
    m_lastColor = *chosen;
    rtbText->setSelColor(*chosen);
}

void frmVWED::InsertPicture()
{
    lc::ui::FileDialogRequest request;
    request.title = QStringLiteral("Insert Picture");
    // The dialog adds the patterns to the description itself.
    request.filter = QStringLiteral("Image Files|*.bmp;*.gif;*.jpg;*.jpeg;*.png|");
    const std::optional<QString> chosen = lc::ui::service().openFile(request);
    if (!chosen || chosen->trimmed().isEmpty())
        return;
    // Straight into the text at the caret: the user's clipboard is not touched.
    rtbText->insertPicture(chosen->trimmed());
}

void frmVWED::FindOnThisPage()
{
    m_find = std::make_unique<clsFind>();
    m_find->setObjRichTextBox(FindTarget::of(rtbText));
    m_find->setObjForm(this);
    m_find->ShowFindForm();
}

void frmVWED::PrintRequest()
{
    if (rtbText->Text().trimmed().isEmpty()) {
        lc::ui::msgBox(QStringLiteral("There is no text to print!"), lc::ui::Buttons::Ok,
                       lc::ui::Icon::Exclamation);
        return;
    }
    Q_EMIT PrintInfo(windowTitle() + QStringLiteral(" - ") + lblSubCat->text(),
                     txtDesc->text().trimmed(), txtSource->text().trimmed(), rtbText->TextRTF());
}

bool frmVWED::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize)
        arrange();
    return QMainWindow::eventFilter(watched, event);
}
