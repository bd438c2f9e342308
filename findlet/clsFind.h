#pragma once

#include "findlet_export.h"
#include "frmFind.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

// What the search needs of a text box: its text, and a way to select a range of it.
struct FindTarget {
    std::function<QString()> Text;
    std::function<void(int)> SelStart; // 0-based
    std::function<void(int)> SelLength;

    // Any box with Text(), setSelStart(int) and setSelLength(int).
    template <class Box> static FindTarget of(Box *box)
    {
        return {[box] { return box->Text(); }, [box](int s) { box->setSelStart(s); },
                [box](int n) { box->setSelLength(n); }};
    }
};

// Find Next on a text box, one hit per click. The search position, the last search text and
// whether anything was found survive between clicks and between showings of the window.
class FINDLET_EXPORT clsFind : public QObject {
    Q_OBJECT
public:
    clsFind();
    ~clsFind() override;

    void setObjRichTextBox(FindTarget box) { m_box = std::move(box); }
    void setObjForm(QObject *form) { m_owner = form; }

    void ShowFindForm();
    // One search step: selects the next hit or tells the user there is none.
    void FindText(const QString &text, quint8 wholeWord, quint8 matchCase);

    int searchPosition() const { return m_position; }
    quint8 found() const { return m_found; }
    frmFind *window() const { return frmFindForm; }

private:
    FindTarget m_box;
    QPointer<QObject> m_owner;
    QPointer<frmFind> frmFindForm;
    int m_position = 1;
    QString m_last;
    quint8 m_found = 0;
};
