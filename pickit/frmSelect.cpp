#include "frmSelect.h"

#include "captionlook.h"
#include "fixedlists.h"
#include "twips.h"
#include "uiservice.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <algorithm>

using lc::twips::toPixels;

namespace {

constexpr int kFrameTop = 420;
constexpr int kFrameWidth = 2520;
// Game titles run long: the left column holds this many characters of the box's font.
constexpr int kTitleChars = 64;

void place(QWidget *w, int left, int top, int width, int height)
{
    w->setGeometry(lc::twips::toPixels(left, top, width, height));
}

void setCue(QLabel *label, bool focused)
{
    lc::controls::setCaptionLook(label, focused);
}

} // namespace

frmSelect::frmSelect(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSelect"));
    setWindowTitle(QStringLiteral("Lorecase"));
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPointSize(8);

    lblCaption = new QLabel(this);
    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    lc::controls::setCaptionLook(lblCaption, true);
    QFont bold = lblCaption->font();
    bold.setBold(true);
    lblCaption->setFont(bold);

    for (int i = 0; i < 2; ++i) {
        Shape1[i] = new QFrame(this);
        Shape1[i]->setFrameShape(QFrame::Box);
        Shape1[i]->setFrameShadow(QFrame::Sunken);
    }
    const char *const labels[] = {" Platform", " Genre", " Game"};
    for (int i = 0; i < 3; ++i) {
        Label1[i] = new QLabel(QString::fromLatin1(labels[i]), this);
        Label1[i]->setObjectName(QStringLiteral("Label1_%1").arg(i));
        setCue(Label1[i], false);
    }
    const auto combo = [&](const char *name) {
        auto *c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        c->setFont(tahoma);
        c->installEventFilter(this);
        return c;
    };
    cboPlatform = combo("cboPlatform");
    cboGenre = combo("cboGenre");
    cboGame = combo("cboGame");
    cboGame->setEditable(true);
    cboGame->setInsertPolicy(QComboBox::NoInsert);
    cboGame->lineEdit()->installEventFilter(this);
    for (quint8 g = 1; g <= 8; ++g)
        cboGenre->addItem(lc::names::genreName(g));

    Label2 = new QLabel(
        QStringLiteral("To add a new game, type the game title in the game box on the left."),
        this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);

    picBtnHolder = new QWidget(this);
    picBtnHolder->setObjectName(QStringLiteral("picBtnHolder"));
    cmdOK = new QPushButton(QStringLiteral("&OK"), picBtnHolder);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), picBtnHolder);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    // Fixed positions in twips; the game row and the hint sit below platform and genre. The
    // left column is as wide as a long title needs in the box's font.
    QStyleOptionComboBox option;
    option.initFrom(cboGame);
    option.editable = true;
    const int titleWidth = cboGame->fontMetrics().averageCharWidth() * kTitleChars;
    const int boxWidth =
        std::max(kFrameWidth - 120,
                 lc::twips::fromPixels(style()
                                           ->sizeFromContents(QStyle::CT_ComboBox, &option,
                                                              QSize(titleWidth, 20), cboGame)
                                           .width()));
    const int leftFrame = boxWidth + 120;
    const int right = 240 + leftFrame;
    m_width = right + kFrameWidth + 120;
    place(lblCaption, 0, 0, m_width, 375);
    place(Shape1[0], 120, kFrameTop, leftFrame, 1680);
    place(Shape1[1], right, kFrameTop, kFrameWidth, 1680);
    place(Label1[0], 180, 480, boxWidth, 240);
    place(cboPlatform, 180, 750, boxWidth, 330);
    place(Label1[1], right + 60, 480, kFrameWidth - 120, 240);
    place(cboGenre, right + 60, 750, kFrameWidth - 120, 330);
    place(Label1[2], 180, 1200, boxWidth, 240);
    place(cboGame, 180, 1470, boxWidth, 330);
    place(Label2, right + 60, 1200, kFrameWidth - 120, 840);
    place(picBtnHolder, 0, 2220, m_width, 480);
    place(cmdOK, m_width - 2460, 0, 1095, 375);
    place(cmdCancel, m_width - 1260, 0, 1095, 375);
    setFixedSize(toPixels(m_width), toPixels(2760));

    connect(cboPlatform, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0)
            Q_EMIT PlatformChange(platformId());
    });
    connect(cboGenre, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0)
            Q_EMIT GenreChange(genreId());
    });
    connect(cmdOK, &QPushButton::clicked, this, &frmSelect::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSelect::cmdCancel_Click);
}

void frmSelect::setGameHidden()
{
    blnIsGame = true;
    cboGame->hide();
    Label1[2]->hide();
    Label2->hide();
    for (QFrame *f : Shape1)
        f->resize(f->width(), toPixels(840));
    picBtnHolder->move(0, toPixels(1280));
    setFixedSize(toPixels(m_width), toPixels(1760));
}

quint8 frmSelect::platformId() const
{
    const auto id = lc::names::toByteId(cboPlatform->currentData());
    return id ? *id : 0;
}

quint8 frmSelect::genreId() const
{
    return cboGenre->currentIndex() < 0 ? 0 : quint8(cboGenre->currentIndex() + 1);
}

void frmSelect::cmdOK_Click()
{
    const QString name = cboGame->currentText().trimmed();
    if (!blnIsGame) {
        if (name.isEmpty()) {
            lc::ui::msgBox(QStringLiteral("The game name can not be left blank.\r\n\r\nIf the game "
                                          "you wish to add your file to is not in the box, just "
                                          "type a new game name to add one."),
                           lc::ui::Buttons::Ok, lc::ui::Icon::Exclamation);
            cboGame->setFocus();
            return;
        }
        // The chosen entry counts, not the first one with its title: two games may share
        // one. A typed title counts as chosen only when it is exactly an entry of the list.
        int i = cboGame->currentIndex();
        if (i < 0 || cboGame->itemText(i).trimmed() != name)
            i = cboGame->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (i < 0)
            Q_EMIT AddGame(platformId(), genreId(), name);
        else
            Q_EMIT SetGameID(qint32(cboGame->itemData(i).toLongLong()));
    }
    Q_EMIT GetGameId(name);
    Q_EMIT CompleteSelect(platformId(), genreId(), lngInternalGameId, false);
}

void frmSelect::cmdCancel_Click()
{
    Q_EMIT CompleteSelect(0, 0, 0, true);
    close();
}

bool frmSelect::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        const bool in = event->type() == QEvent::FocusIn;
        if (watched == cboPlatform)
            setCue(Label1[0], in);
        else if (watched == cboGenre)
            setCue(Label1[1], in);
        else if (watched == cboGame || watched == cboGame->lineEdit())
            setCue(Label1[2], in);
    }
    return QDialog::eventFilter(watched, event);
}
