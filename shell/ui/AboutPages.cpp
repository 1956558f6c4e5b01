#include "shell/ui/AboutPages.h"

#include "shell/AboutTexts.h"
#include "shell/ui/Modal.h"
#include "shell/ui/ShellContext.h"
#include "shell/ui/UpdateWindow.h"

AboutPages::AboutPages(ShellContext& shell, UpdateWindow& update)
    : QObject(shell.mainWindow()), about(shell), web(shell), m_shell(shell), m_update(update) {
    // The first two offers start a download in the browser wherever the
    // page area is; only the web site also shows the page.
    connect(&m_update, &UpdateWindow::downloadLatest, this,
            [this] { web.navigate(maker::kDownload); });
    connect(&m_update, &UpdateWindow::latestNotice, this,
            [this] { web.navigate(maker::kAnnouncement); });
    connect(&m_update, &UpdateWindow::visitSite, this, [this] {
        m_shell.selectPage(Page::Web);
        web.navigate(maker::kWebSite);
        web.markVisited();
    });

    AboutHooks& hooks = m_shell.hooks().about;
    m_fills.push_back(hooks.navigation.fill([this] { navigationClick(); }));
    m_fills.push_back(hooks.page15Entry.fill([this] { web.markVisited(); }));
    m_fills.push_back(hooks.showUpdate.fill([this] { showUpdate(); }));
    m_fills.push_back(hooks.contactPage.fill([this] { web.navigate(maker::kContactPage); }));
    m_fills.push_back(hooks.aboutEffects.fill([this] { about.start(); }));
}

void AboutPages::navigationClick() {
    about.stop();
    if (web.visited())
        web.stop();
}

void AboutPages::showUpdate() {
    QWidget* main = m_shell.mainWindow();
    m_update.move(main->geometry().center() - m_update.rect().center());
    Modal::run(&m_update);
}
