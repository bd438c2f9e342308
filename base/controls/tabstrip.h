#pragma once

#include "lcbase_export.h"

#include <QIcon>
#include <QStringList>
#include <QWidget>

#include <functional>

class QTabWidget;

namespace lc::controls {

// Turns a tab's image key into a picture.
using TabImages = std::function<QIcon(const QString &key)>;

// A row of keyed, captioned tabs over a page area. Tabs count from 1, as the panes' tab
// indexes and the stored selected tab do; 0 means none. Every tab has a page (one made here
// when none is given) and only the selected tab's page shows.
class LCBASE_EXPORT TabStrip : public QWidget {
    Q_OBJECT
public:
    explicit TabStrip(QWidget *parent = nullptr);
    ~TabStrip() override;

    // Returns the new tab's index, or 0 when the key is empty or taken.
    int addTab(const QString &key, const QString &caption, QWidget *page = nullptr);
    int count() const { return int(m_keys.size()); }
    int indexOf(const QString &key) const;
    QString key(int index) const;
    QString caption(int index) const;
    void setCaption(int index, const QString &caption);
    QString image(int index) const;
    void setImage(int index, const QString &image);
    void setImages(TabImages images);
    QWidget *page(int index) const;

    int selectedIndex() const;
    // Selects a tab and reports Click, also when it was selected already, so that a caller's
    // tab handling runs either way. An index out of range changes nothing.
    void setSelectedIndex(int index);

    QTabWidget *tabWidget() const { return m_tabs; }

Q_SIGNALS:
    // A tab was clicked or selected; the argument is the selected tab's index.
    void Click(int index);

private:
    bool isValid(int index) const { return index >= 1 && index <= count(); }

    QTabWidget *m_tabs = nullptr;
    QStringList m_keys;
    QStringList m_images;
    TabImages m_imageSource;
    bool m_selecting = false;
};

} // namespace lc::controls
