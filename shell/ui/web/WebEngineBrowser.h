#pragma once

#include "shell/ui/Browser.h"

class QWebEngineView;

// The real browser: Qt WebEngine, in a module of its own that the program
// loads when the web page first needs a browser. Linked into the program,
// the engine's libraries alone would cost every start about 75 ms and
// 28 MB; the tests never load it at all.
class WebEngineBrowser : public Browser {
public:
    explicit WebEngineBrowser(QWidget* parent);

    QWidget* widget() override;
    void navigate(const QString& address) override;
    void stop() override;
    void reload() override;

private:
    QWebEngineView* m_view;
};

// The module's one entry, looked up by name.
extern "C" Q_DECL_EXPORT Browser* tavrikCreateBrowser(QWidget* parent);
