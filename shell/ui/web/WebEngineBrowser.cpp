#include "shell/ui/web/WebEngineBrowser.h"

#include <QStandardPaths>
#include <QUrl>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>

WebEngineBrowser::WebEngineBrowser(QWidget* parent) : m_view(new QWebEngineView(parent)) {
    m_view->setObjectName(QStringLiteral("WebBrowser1"));
    // The engine refuses every download nobody accepts; the update page's
    // download buttons save into the operator's download folder. The
    // profile may be shared, so a request already taken is left alone.
    QObject::connect(m_view->page()->profile(), &QWebEngineProfile::downloadRequested, m_view,
                     [](QWebEngineDownloadRequest* download) {
                         if (download->state() != QWebEngineDownloadRequest::DownloadRequested)
                             return;
                         download->setDownloadDirectory(
                             QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
                         download->accept();
                     });
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
