#pragma once

#include <QWebEnginePage>

#include <functional>

// A page whose new-window requests go to its owner, which either refuses them (nullptr) or
// hands back the page the new window shows.
class BrowserPage : public QWebEnginePage {
    Q_OBJECT
public:
    using WindowRequest = std::function<QWebEnginePage *(WebWindowType)>;

    BrowserPage(QWebEngineProfile *profile, WindowRequest onNewWindow, QObject *parent = nullptr);

protected:
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    WindowRequest m_onNewWindow;
};
