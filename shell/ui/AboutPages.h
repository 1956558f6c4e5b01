#pragma once

#include <QObject>

#include <vector>

#include "shell/ui/AboutPage.h"
#include "shell/Hook.h"
#include "shell/ui/WebPage.h"

class ShellContext;
class UpdateWindow;

// The About page, the web page and the update window, and the hooks through
// which the navigation tree reaches them.
class AboutPages : public QObject {
    Q_OBJECT
public:
    AboutPages(ShellContext& shell, UpdateWindow& update);

    // First thing of every navigation click.
    void navigationClick();
    void showUpdate();

    AboutPage about;
    WebPage web;

private:
    ShellContext& m_shell;
    UpdateWindow& m_update;
    std::vector<HookFill> m_fills;
};
