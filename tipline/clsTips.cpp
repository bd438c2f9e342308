#include "clsTips.h"

#include "frmTips.h"
#include "textlines.h"
#include "uiservice.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QRandomGenerator>

namespace {
// A tip file is a short list of hints; anything far beyond that is not a tip file, and
// reading stops rather than keep the window waiting.
constexpr int kMaxTips = 10000;
constexpr qint64 kMaxLineBytes = 4096;
} // namespace

clsTips::clsTips() : m_form(new frmTips)
{
    connect(m_form, &frmTips::NextTip, this, &clsTips::NextTip);
    connect(m_form, &frmTips::OKClick, this, [this](quint8 load) {
        Q_EMIT OKClick(load);
        m_form->close();
    });
}

clsTips::~clsTips()
{
    delete m_form;
}

QStringList clsTips::BuiltInTips()
{
    return {
        QStringLiteral("You can customize the platforms in your game tree by selecting Edit --> "
                       "Platforms from the menu, then in the platform window, check only the "
                       "game platforms you want to track."),
        QStringLiteral("You can drag selected text from the Lorecase web browser to the game "
                       "tree and store it as a new file."),
        QStringLiteral("You can import complete web pages from the Lorecase browser by clicking "
                       "the disk icon and selecting \"Import This Page...\" from the pop up "
                       "menu.")};
}

QStringList clsTips::ReadTips(const QString &file)
{
    QStringList tips;
    lc::readTextLines(file, kMaxLineBytes, [&tips](const QString &line) {
        const QString text = line.trimmed();
        if (!text.isEmpty())
            tips << text;
        return tips.size() < kMaxTips;
    });
    return tips;
}

int clsTips::PickIndex(double random, int count)
{
    if (count <= 0)
        return 0;
    return std::clamp(int(random * count + 1), 1, count);
}

void clsTips::Show(const QString &strTipFile, quint8 bytLoadTipsAtStart)
{
    if (!m_form)
        return;
    m_tips = QFile::exists(strTipFile) ? ReadTips(strTipFile) : BuiltInTips();
    m_index = PickIndex(QRandomGenerator::global()->generateDouble(), int(m_tips.size()));
    showCurrent();
    m_form->chkLoadTipsAtStartup->setChecked(bytLoadTipsAtStart != 0);
    lc::ui::service().showModal(*m_form);
}

void clsTips::NextTip()
{
    m_index = m_index >= m_tips.size() ? 1 : m_index + 1;
    showCurrent();
}

void clsTips::showCurrent()
{
    if (m_form)
        m_form->lblTipText->setText(
            m_index >= 1 && m_index <= m_tips.size() ? m_tips.at(m_index - 1) : QString());
}
