#include "clsFind.h"

#include "uiservice.h"

clsFind::clsFind() : frmFindForm(new frmFind)
{
    connect(frmFindForm, &frmFind::FindIt, this, &clsFind::FindText);
}

clsFind::~clsFind()
{
    delete frmFindForm;
}

void clsFind::ShowFindForm()
{
    if (!frmFindForm)
        return;
    frmFindForm->Form_Load();
    lc::ui::service().showModal(*frmFindForm);
}

void clsFind::FindText(const QString &text, quint8 wholeWord, quint8 matchCase)
{
    if (!m_box.Text || text.isEmpty())
        return;
    if (text != m_last) {
        m_last = text;
        m_position = 1;
    }
    const QString body = m_box.Text();
    const int len = int(text.size());
    for (;;) {
        const int at = m_position - 1 <= body.size()
                           ? int(body.indexOf(text, m_position - 1, Qt::CaseInsensitive))
                           : -1;
        if (at < 0) {
            lc::ui::msgBox(m_found == 1 ? QStringLiteral("The region has been searched.")
                                        : QStringLiteral("The search text is not found."),
                           lc::ui::Buttons::Ok, lc::ui::Icon::Exclamation);
            m_position = 1;
            m_found = 0;
            m_last.clear();
            return;
        }
        const int d = at + 1;
        if (matchCase == 1 && QStringView(body).mid(at, len) != text) {
            m_position = d + len;
            continue;
        }
        // Whole words look only at what follows the hit.
        if (wholeWord == 1 && (at + len >= body.size() || body.at(at + len) != u' ')) {
            m_position = d + len;
            continue;
        }
        if (m_box.SelStart)
            m_box.SelStart(d - 1);
        if (m_box.SelLength)
            m_box.SelLength(len);
        m_position = d + len;
        m_found = 1;
        return;
    }
}
