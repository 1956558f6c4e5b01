#pragma once

#include <QString>
#include <QWidget>

#include <memory>

#include "device/KylixSMS.h"
#include "shell/Clock.h"
#include "shell/Hook.h"
#include "shell/MainWindowContext.h"
#include "store/Database.h"

class QFrame;
class QLabel;
class QProgressBar;
class QStackedWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class ProgramWindows;
class SubsystemPages;

// The main window: navigation tree, page area, status strip and status bar,
// its timers, the start-up and closing order, and the hooks through which
// the subsystems take part in them.
class TFormMain : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPageCount = 17;
    static constexpr int kFullOpacity = 255;
    static constexpr int kStartOpacity = 5;

    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // Shell state
    QString programDir;
    bool firstShow = true;
    bool webVisited = false;
    // Shared with the search window: cleared by its cancel button.
    bool searchFlag = false;
    // The fade counts in its own integer: the platform keeps window opacity
    // in 8 bits and reading it back never reaches the end points exactly.
    int opacity() const { return m_opacity; }

    Database db;
    KylixSMS KylixSMS1;

    // The other windows, set once they are all created.
    void setWindows(ProgramWindows* windows) { m_windows = windows; }
    ProgramWindows* windows() const { return m_windows; }

    // Pages
    QWidget* page(int n) const;
    int currentPage() const;
    // Selects a page by number without the page-entry step.
    void selectPage(int n);
    // Any click on the navigation tree.
    void navigationClick();
    void pageEntry();
    // The device counts as connected exactly while the connect button is
    // disabled.
    bool isConnected() const;

    // Status bar
    void tarikh();
    void clockTick();
    QLabel* e1 = nullptr;
    QLabel* e2 = nullptr;
    QLabel* e3 = nullptr;
    QLabel* es = nullptr;
    QLabel* lblGregorian = nullptr;

    // Parts of the main window other subsystems work on
    QTreeWidget* TreeView1 = nullptr;
    QStackedWidget* PageControl1 = nullptr;
    QFrame* pnlStatusStrip = nullptr;
    QProgressBar* gaugeBattery = nullptr;
    QProgressBar* gaugeReception = nullptr;
    QToolButton* btnHide = nullptr;
    QToolButton* btnNewMessage = nullptr;
    QLabel* gh1 = nullptr;
    QLabel* gh2 = nullptr;
    QLabel* gh3 = nullptr;
    QLabel* sa1 = nullptr;
    QLabel* sa2 = nullptr;
    QLabel* sa3 = nullptr;
    QLabel* imo = nullptr;

    ClockTimer Timer1{QStringLiteral("Timer1"), 650, this};
    ClockTimer Timer3{QStringLiteral("Timer3"), 60000, this};
    ClockTimer Timer4{QStringLiteral("Timer4"), 45000, this};
    ClockTimer Timer5{QStringLiteral("Timer5"), 3, this};
    ClockTimer Timer6{QStringLiteral("Timer6"), 3, this};
    ClockTimer Timer7{QStringLiteral("Timer7"), 12000, this};
    ClockTimer Timer8{QStringLiteral("Timer8"), 30, this};
    ClockTimer Timer9{QStringLiteral("Timer9"), 30, this};
    ClockTimer Timer10{QStringLiteral("Timer10"), 80, this};

    // First show, in this order
    Hook<void()> hookRejectCallOption{"cbRejectIncomingCallClick"};
    Hook<void()> hookFlashOption{"cbFlashSMSClick"};
    Hook<void()> hookConcatenationOption{"cbConcatenatedSMSClick"};
    Hook<void()> hookAutoDeleteOption{"cbDeleteAllReportClick"};
    Hook<void()> hookPasswordCheck{"passwordCheck"};
    // Closing: saving the delivery list may fail, which keeps the window open.
    Hook<bool()> hookSaveDeliveryReports{"saveDeliveryReports", true};
    Hook<void()> hookSabre{"sabre"};
    // Navigation and page entry
    Hook<void()> hookNavigation{"navigation"};
    Hook<void()> hookPage1Entry{"page1Entry"};
    Hook<void()> hookPage15Entry{"page15Entry"};
    Hook<void()> hookPage16Entry{"page16Entry"};
    Hook<void()> hookReopenSend{"reopenSend"};
    Hook<void()> hookReopenReci{"reopenReci"};
    Hook<void()> hookShowUpdate{"showUpdate"};
    Hook<void()> hookContactPage{"contactPage"};
    Hook<void()> hookAboutEffects{"aboutEffects"};
    // The composer's recount of its coding indicator, run by the options
    // whose value changes the part count.
    Hook<void()> hookRecount{"tmSMSTextChange"};
    // Timer ticks owned by other subsystems
    Hook<void()> hookActivityTick{"Timer1"};
    Hook<void()> hookDeviceRefreshTick{"Timer3"};
    Hook<void()> hookAssemblyTick{"Timer7"};
    Hook<void()> hookAboutBrighten{"Timer8"};
    Hook<void()> hookAboutDarken{"Timer9"};
    Hook<void()> hookAboutType{"Timer10"};

    SubsystemPages* subsystems() const { return m_pages.get(); }
    ShellContext& context() { return m_context; }

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
    void treeAction(int icon);
    void fadeInTick();
    void fadeOutTick();
    void setOpacity(int value);

    MainWindowContext m_context{*this};
    int m_opacity = kStartOpacity;
    ProgramWindows* m_windows = nullptr;
    std::unique_ptr<SubsystemPages> m_pages;
};
