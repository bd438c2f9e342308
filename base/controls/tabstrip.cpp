#include "tabstrip.h"

#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace lc::controls {

TabStrip::TabStrip(QWidget *parent) : QWidget(parent), m_tabs(new QTabWidget(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
    m_tabs->setDocumentMode(false);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        if (!m_selecting && tab >= 0)
            Q_EMIT Click(tab + 1);
    });
    // A click on the tab that is already selected changes nothing, yet still counts as one.
    connect(m_tabs, &QTabWidget::tabBarClicked, this, [this](int tab) {
        if (tab >= 0 && tab == m_tabs->currentIndex())
            Q_EMIT Click(tab + 1);
    });
}

TabStrip::~TabStrip() = default;

int TabStrip::addTab(const QString &key, const QString &caption, QWidget *page)
{
    if (key.isEmpty() || m_keys.contains(key))
        return 0;
    m_keys << key;
    m_images << QString();
    // The first tab becomes the selected one; that is no click.
    m_selecting = true;
    m_tabs->addTab(page ? page : new QWidget, caption);
    m_selecting = false;
    return count();
}

int TabStrip::indexOf(const QString &key) const
{
    return int(m_keys.indexOf(key)) + 1;
}

QString TabStrip::key(int index) const
{
    return isValid(index) ? m_keys[index - 1] : QString();
}

QString TabStrip::caption(int index) const
{
    return isValid(index) ? m_tabs->tabText(index - 1) : QString();
}

void TabStrip::setCaption(int index, const QString &caption)
{
    if (isValid(index))
        m_tabs->setTabText(index - 1, caption);
}

QString TabStrip::image(int index) const
{
    return isValid(index) ? m_images[index - 1] : QString();
}

void TabStrip::setImage(int index, const QString &image)
{
    if (!isValid(index))
        return;
    m_images[index - 1] = image;
    m_tabs->setTabIcon(index - 1,
                       m_imageSource && !image.isEmpty() ? m_imageSource(image) : QIcon());
}

void TabStrip::setImages(TabImages images)
{
    m_imageSource = std::move(images);
    for (int i = 1; i <= count(); ++i)
        setImage(i, m_images[i - 1]);
}

QWidget *TabStrip::page(int index) const
{
    return isValid(index) ? m_tabs->widget(index - 1) : nullptr;
}

int TabStrip::selectedIndex() const
{
    return m_tabs->currentIndex() + 1;
}

void TabStrip::setSelectedIndex(int index)
{
    if (!isValid(index))
        return;
    m_selecting = true;
    m_tabs->setCurrentIndex(index - 1);
    m_selecting = false;
    Q_EMIT Click(index);
}

} // namespace lc::controls
