#pragma once

#include "tipline_export.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include "frmTips.h"

// Shows one hint per call in a modal window, with a button for the next one.
class TIPLINE_EXPORT clsTips : public QObject {
    Q_OBJECT
public:
    clsTips();
    ~clsTips() override;

    // Loads the tips from strTipFile (or the built-in hints when it does not exist), shows a
    // random one and the window modally.
    void Show(const QString &strTipFile, quint8 bytLoadTipsAtStart);

    // The tips as read from a file: trimmed lines, blank ones skipped.
    static QStringList ReadTips(const QString &file);
    static QStringList BuiltInTips();
    // The 1-based index a random number in [0, 1) picks among count tips.
    static int PickIndex(double random, int count);

    QStringList tips() const { return m_tips; }
    int currentIndex() const { return m_index; }
    frmTips *window() const { return m_form; }
    void NextTip();

Q_SIGNALS:
    void OKClick(quint8 bytLoadWithStart);

private:
    void showCurrent();

    QStringList m_tips;
    int m_index = 0;
    QPointer<frmTips> m_form;
};
