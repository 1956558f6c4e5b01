#pragma once

#include <QString>
#include <QWidget>

#include "app/MainWindowContext.h"
#include "device/KylixSMS.h"
#include "shell/Clock.h"
#include "shell/ShellHooks.h"
#include "store/Database.h"

class QLabel;
class QStackedWidget;
class QTreeWidget;
class PleaseWaitWindow;
class SearchWindow;
class SplashWindow;
class StatusStrip;

// The main window: navigation tree, page area, status strip and status bar,
// its timers, the start-up and closing order, and the hooks through which
// the subsystems take part in them. Subsystems see it only through
// context().
class TFormMain : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPageCount = 19;
    static constexpr int kFullOpacity = 255;
    static constexpr int kStartOpacity = 5;

    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // Shell state
    QString programDir;
    bool firstShow = true;
    // The fade counts in its own integer: the platform keeps window opacity
    // in 8 bits and reading it back never reaches the end points exactly.
    int opacity() const { return m_opacity; }

    Database db;
    KylixSMS KylixSMS1;

    // The shell's own small windows, created after the main window.
    struct Windows {
        SplashWindow* splash = nullptr;
        SearchWindow* search = nullptr;
        PleaseWaitWindow* pleaseWait = nullptr;
    };
    void setShellWindows(const Windows& windows) { m_windows = windows; }
    const Windows& shellWindows() const { return m_windows; }

    // Pages
    QWidget* page(int n) const;
    int currentPage() const;
    // Selects a page by number without the page-entry step.
    void selectPage(int n);
    // Any click on the navigation tree.
    void navigationClick();
    void pageEntry();
    bool isConnected() const;
    // True once a close request has been accepted: the program ends.
    bool isClosed() const { return m_closed; }

    // Status bar
    void tarikh();
    void clockTick();
    QLabel* e1 = nullptr;
    QLabel* e2 = nullptr;
    QLabel* e3 = nullptr;
    QLabel* es = nullptr;
    QLabel* lblGregorian = nullptr;
    QLabel* lblStatusNote = nullptr;

    QTreeWidget* TreeView1 = nullptr;
    QStackedWidget* PageControl1 = nullptr;
    StatusStrip* strip = nullptr;

    ClockTimer Timer3{QStringLiteral("Timer3"), 60000, this};
    ClockTimer Timer4{QStringLiteral("Timer4"), 45000, this};
    ClockTimer Timer5{QStringLiteral("Timer5"), 3, this};
    ClockTimer Timer6{QStringLiteral("Timer6"), 3, this};
    ClockTimer Timer7{QStringLiteral("Timer7"), 12000, this};
    ClockTimer Timer8{QStringLiteral("Timer8"), 30, this};
    ClockTimer Timer9{QStringLiteral("Timer9"), 30, this};
    ClockTimer Timer10{QStringLiteral("Timer10"), 80, this};

    ShellHooks hooks;

    ShellContext& context() { return m_context; }
    MainWindowContext& mainContext() { return m_context; }

Q_SIGNALS:
    // A close request was accepted: the window is gone and the program ends.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createWindow();
    void createStatusStrip();
    void createStatusBar();
    void createNavigation();
    void createPages();
    void startup();
    void runFirstShow();
    void connectTimers();
    void treeAction(int icon);
    void treeEntered(bool entered);
    void fadeInTick();
    void fadeOutTick();
    void setOpacity(int value);

    MainWindowContext m_context{*this};
    int m_opacity = kStartOpacity;
    Windows m_windows;
    bool m_closed = false;
};
