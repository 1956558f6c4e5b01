#pragma once

#include <QObject>
#include <QString>

#include <memory>

class Browser;
class QComboBox;
class QWidget;
class ShellContext;

// The web page (15): the embedded browser under an address box and the GO,
// STOP and REFRESH buttons. The browser is made when it is first needed,
// so a run that never opens the page never starts a web engine.
class WebPage : public QObject {
    Q_OBJECT
public:
    explicit WebPage(ShellContext& shell);
    ~WebPage() override;

    // The page was entered, or opened from the update window: from now on
    // every navigation click stops the browser.
    void markVisited();
    bool visited() const { return m_visited; }

    void navigate(const QString& address);
    void stop();
    void reload();
    // Null until the page first needs it.
    Browser* browser() const { return m_browser.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Browser& ensureBrowser();

    ShellContext& m_shell;
    bool m_visited = false;
    std::unique_ptr<Browser> m_browser;
    QWidget* m_browserBox = nullptr;
    QComboBox* m_address = nullptr;
};
