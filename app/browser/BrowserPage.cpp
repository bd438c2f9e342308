#include "BrowserPage.h"

#include <utility>

BrowserPage::BrowserPage(QWebEngineProfile *profile, WindowRequest onNewWindow, QObject *parent)
    : QWebEnginePage(profile, parent), m_onNewWindow(std::move(onNewWindow))
{
}

QWebEnginePage *BrowserPage::createWindow(WebWindowType type)
{
    return m_onNewWindow ? m_onNewWindow(type) : nullptr;
}
