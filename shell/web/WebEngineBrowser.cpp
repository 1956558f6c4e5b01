#include "shell/web/WebEngineBrowser.h"

#include <QUrl>
#include <QWebEngineView>

WebEngineBrowser::WebEngineBrowser(QWidget* parent) : m_view(new QWebEngineView(parent)) {
    m_view->setObjectName(QStringLiteral("WebBrowser1"));
}

QWidget* WebEngineBrowser::widget() {
    return m_view;
}

void WebEngineBrowser::navigate(const QString& address) {
    m_view->setUrl(QUrl::fromUserInput(address));
}

void WebEngineBrowser::stop() {
    m_view->stop();
}

void WebEngineBrowser::reload() {
    m_view->reload();
}

Browser* tavrikCreateBrowser(QWidget* parent) {
    return new WebEngineBrowser(parent);
}
