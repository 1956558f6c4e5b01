#include "app/TFormMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QScreen>
#include <QStackedWidget>
#include <QTreeWidget>

#include "device/ModemTexts.h"
#include "sending/ScheduleTexts.h"
#include "shell/MessageService.h"
#include "shell/ProgramDir.h"
#include "shell/ShellTexts.h"
#include "shell/ui/Fonts.h"
#include "shell/ui/Modal.h"
#include "shell/ui/Pictures.h"
#include "shell/ui/SplashWindow.h"
#include "shell/ui/StatusStrip.h"
#include "store/PersianCalendar.h"

namespace {
constexpr int kIconRole = Qt::UserRole + 1;
constexpr int kClientWidth = 924;
constexpr int kClientHeight = 613;
constexpr int kSchedulesIcon = 28;

struct NavEntry {
    const QString* text;
    int icon;
    bool group;
};
} // namespace

TFormMain::TFormMain(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      db(this), KylixSMS1(this) {
    setObjectName(QStringLiteral("FormMain"));
    KylixSMS1.setObjectName(QStringLiteral("KylixSMS1"));
    createWindow();
    startup();
}

TFormMain::~TFormMain() = default;

void TFormMain::createWindow() {
    setWindowTitle(QString());
    setFixedSize(kClientWidth, kClientHeight);
    setLayoutDirection(Qt::RightToLeft);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(192, 220, 192));
    setPalette(pal);
    setAutoFillBackground(true);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    auto* title = new QLabel(this);
    title->setObjectName(QStringLiteral("pnlTitle"));
    title->setGeometry(0, 0, 268, 54);
    title->setPixmap(pictures::title(title->size()));

    createNavigation();
    createPages();
    createStatusStrip();
    createStatusBar();
    connectTimers();
    setOpacity(kStartOpacity);
}

void TFormMain::connectTimers() {
    // Timer3, Timer7 and the About timers are listened to by the subsystems
    // that own their ticks.
    connect(&Timer4, &ClockTimer::timeout, this, &TFormMain::clockTick);
    connect(&Timer5, &ClockTimer::timeout, this, &TFormMain::fadeInTick);
    connect(&Timer6, &ClockTimer::timeout, this, &TFormMain::fadeOutTick);
    Timer7.setSingleShot(true);
    Timer3.start();
    Timer4.start();
}

void TFormMain::createNavigation() {
    using namespace shelltext;
    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setGeometry(0, 54, 269, 526);
    TreeView1->setHeaderHidden(true);
    TreeView1->setIconSize(QSize(50, 50));
    TreeView1->setIndentation(53);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setMouseTracking(true);
    TreeView1->setTextElideMode(Qt::ElideNone);
    // The expand arrows would take the room the longest captions need; a
    // double click still folds a group.
    TreeView1->setRootIsDecorated(false);
    TreeView1->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    QFont treeFont = TreeView1->font();
    treeFont.setPointSizeF(treeFont.pointSizeF() * 0.85);
    TreeView1->setFont(treeFont);
    TreeView1->installEventFilter(this);
    TreeView1->viewport()->installEventFilter(this);
    const NavEntry entries[] = {
        {&kNavSending, 8, true},        {&kNavConnect, 9, false},   {&kNavSend, 1, false},
        {&kNavCharge, 15, false},       {&kNavBoxes, 6, true},      {&kNavSent, 11, false},
        {&kNavUnsent, 25, false},       {&kNavReceived, 12, false}, {&kNavPhone, 21, false},
        {&kNavGroups, 4, true},         {&kNavDefine, 19, false},   {&kNavEdit, 0, false},
        {&kNavDatabase, 17, true},      {&kNavBackup, 7, false},    {&kNavSettings, 5, true},
        {&kNavProgram, 14, false},      {&kNavSecurity, 23, false}, {&kNavGuide, 18, true},
        {&kNavRequirements, 20, false}, {&kNavUpdate, 24, false},   {&kNavContact, 22, false},
        {&kNavAbout, 10, false},
    };
    QTreeWidgetItem* group = nullptr;
    for (const NavEntry& e : entries) {
        auto* item = e.group ? new QTreeWidgetItem(TreeView1) : new QTreeWidgetItem(group);
        item->setText(0, *e.text);
        item->setIcon(0, QIcon(pictures::navigationIcon(e.icon)));
        item->setData(0, kIconRole, e.icon);
        if (e.group)
            group = item;
    }
    // Scheduled runs, under sending after the send page.
    auto* schedules = new QTreeWidgetItem;
    schedules->setText(0, scheduletext::kNavSchedules);
    schedules->setIcon(0, QIcon(pictures::navigationIcon(kSchedulesIcon)));
    schedules->setData(0, kIconRole, kSchedulesIcon);
    TreeView1->topLevelItem(0)->insertChild(2, schedules);
    // The modems page, after the program's settings.
    for (int i = 0; i < TreeView1->topLevelItemCount(); ++i) {
        QTreeWidgetItem* settings = TreeView1->topLevelItem(i);
        if (settings->text(0) != kNavSettings)
            continue;
        auto* item = new QTreeWidgetItem;
        item->setText(0, modemtext::kNavModems);
        item->setIcon(0, QIcon(pictures::navigationIcon(26)));
        item->setData(0, kIconRole, 26);
        settings->insertChild(1, item);
    }
    TreeView1->expandAll();
    // A selection is painted across the whole row while only the item's own
    // rectangle is repainted when it moves: the block beside an entry no
    // longer selected would stay.
    connect(TreeView1, &QTreeWidget::itemSelectionChanged, TreeView1->viewport(),
            qOverload<>(&QWidget::update));
}

void TFormMain::createPages() {
    PageControl1 = new QStackedWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(270, 26, 654, 556);
    PageControl1->installEventFilter(this);
    static const char* titles[kPageCount] = {"",
                                             "Connect",
                                             "Settings",
                                             "Phone messages",
                                             "SIM charge",
                                             "Members entry",
                                             "Members editing",
                                             "Send",
                                             "Password",
                                             "Backup",
                                             "About",
                                             "Sent messages",
                                             "Received messages",
                                             "",
                                             "",
                                             "Web",
                                             "Failed numbers",
                                             "Modems",
                                             "Schedules"};
    for (int i = 0; i < kPageCount; ++i) {
        auto* sheet = new QWidget;
        sheet->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
        PageControl1->addWidget(sheet);
        if (i == 0 || i == 14) {
            auto* picture = new QLabel(sheet);
            picture->setObjectName(i == 0 ? QStringLiteral("imgWelcome")
                                          : QStringLiteral("imgRequirements"));
            picture->setGeometry(0, 28, 654, 528);
            picture->setPixmap(i == 0 ? pictures::welcome(picture->size())
                                      : pictures::requirements(picture->size()));
        } else if (titles[i][0] != '\0') {
            // Held until the page's subsystem builds its contents.
            auto* title = new QLabel(QString::fromLatin1(titles[i]), sheet);
            title->setObjectName(QStringLiteral("lblPageTitle"));
            title->setGeometry(20, 40, 600, 30);
        }
    }
}

void TFormMain::createStatusStrip() {
    strip = new StatusStrip(this);
    // Placed above the top edge until first show, where it moves down over
    // the page tabs.
    strip->setGeometry(272, -23, 651, 54);
}

void TFormMain::createStatusBar() {
    using namespace shelltext;
    auto* bar = new QFrame(this);
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setFrameShape(QFrame::StyledPanel);
    bar->setGeometry(0, kClientHeight - 28, kClientWidth, 28);
    bar->setLayoutDirection(Qt::LeftToRight);
    auto label = [bar](const QString& name, const QString& text, int x, int w) {
        auto* l = new QLabel(text, bar);
        l->setObjectName(name);
        l->setGeometry(x, 4, w, 20);
        return l;
    };
    // Left to right the bar reads the version, the Gregorian date, the time
    // and then year / month / day under the solar-date caption.
    // Each caption stands to the right of its value, as Persian reads.
    label(QStringLiteral("lblVersion"), kVersion, 8, 90);
    lblGregorian = label(QStringLiteral("lblGregorian"), QString(), 110, 200);
    label(QStringLiteral("lblGregorianCaption"), kGregorian, 315, 80);
    es = label(QStringLiteral("es"), QString(), 430, 45);
    label(QStringLiteral("lblTimeCaption"), kTime, 478, 40);
    // Notes such as a run's outcome, between the time and the solar date.
    lblStatusNote = label(QStringLiteral("lblStatusNote"), QString(), 522, 195);
    lblStatusNote->setLayoutDirection(Qt::RightToLeft);
    lblStatusNote->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    e3 = label(QStringLiteral("e3"), QString(), 720, 40);
    label(QStringLiteral("lblSlash1"), QStringLiteral("/"), 760, 8);
    e2 = label(QStringLiteral("e2"), QString(), 770, 22);
    label(QStringLiteral("lblSlash2"), QStringLiteral("/"), 792, 8);
    e1 = label(QStringLiteral("e1"), QString(), 802, 22);
    label(QStringLiteral("lblSolarCaption"), kSolarDate, 830, 90);
}

void TFormMain::startup() {
    // B1-B4: the program directory first; the databases are named in it.
    programDir = ProgramDir::path();
    setFont(fonts::program());
    firstShow = true;
    QDir::setCurrent(programDir);
    // B5: either file failing is reported once; start-up goes on.
    db.open(programDir);
    if (!db.contactsOpen() || !db.logOpen())
        MessageService::instance().showMessage(shelltext::kDbError);
    // B6, B7: on a contacts file that did not open this fails silently.
    db.ensureFailedNumberTable();
}

QWidget* TFormMain::page(int n) const {
    return PageControl1->widget(n);
}

int TFormMain::currentPage() const {
    return PageControl1->currentIndex();
}

void TFormMain::selectPage(int n) {
    if (n >= 0 && n < kPageCount)
        PageControl1->setCurrentIndex(n);
}

bool TFormMain::isConnected() const {
    return hooks.device.connected();
}

void TFormMain::navigationClick() {
    hooks.about.navigation();
    if (QTreeWidgetItem* item = TreeView1->currentItem())
        treeAction(item->data(0, kIconRole).toInt());
    pageEntry();
}

void TFormMain::treeAction(int icon) {
    switch (icon) {
    case 9:
        selectPage(1);
        break;
    case 1:
        selectPage(7);
        break;
    case kSchedulesIcon:
        selectPage(18);
        break;
    case 15:
        selectPage(4);
        hooks.incoming.chargePageEntry();
        break;
    case 11:
        selectPage(11);
        hooks.incoming.reopenSend();
        break;
    case 25:
        selectPage(16);
        break;
    case 12:
        selectPage(12);
        hooks.incoming.reopenReci();
        break;
    case 21:
        selectPage(3);
        break;
    case 19:
        selectPage(5);
        break;
    case 0:
        selectPage(6);
        break;
    case 7:
        selectPage(9);
        break;
    case 14:
        selectPage(2);
        break;
    case 23:
        selectPage(8);
        break;
    case 26:
        selectPage(static_cast<int>(Page::Modems));
        break;
    case 20:
        selectPage(14);
        break;
    case 24:
        hooks.about.showUpdate();
        break;
    case 22:
        selectPage(15);
        hooks.about.contactPage();
        break;
    case 10:
        selectPage(10);
        hooks.about.aboutEffects();
        break;
    default:
        break; // the six group entries
    }
}

void TFormMain::pageEntry() {
    db.ADOTable1.close();
    db.ADOTable4.close();
    db.ADOTable7.close();
    db.ADOQuery1.close();
    db.ADOQuery1.open();
    switch (currentPage()) {
    case 15:
        hooks.about.page15Entry();
        break;
    case 1:
        hooks.device.page1Entry();
        break;
    case 16:
        hooks.sending.page16Entry();
        break;
    default:
        break;
    }
}

void TFormMain::tarikh() {
    const PersianDate p = persian::fromGregorian(Clock::instance().now().date());
    e1->setText(p.dayText());
    e2->setText(p.monthText());
    e3->setText(p.yearText());
}

void TFormMain::clockTick() {
    tarikh();
    const QDateTime now = Clock::instance().now();
    es->setText(now.toString(QStringLiteral("hh:mm")));
    lblGregorian->setText(QLocale().toString(now.date(), QStringLiteral("dddd dd, MMM. yyyy")));
}

void TFormMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (firstShow)
        runFirstShow();
}

void TFormMain::runFirstShow() {
    // C1: push the option settings into the control.
    hooks.incoming.rejectCallOption();
    hooks.sending.flashOption();
    hooks.device.concatenationOption();
    hooks.device.autoDeleteOption();
    // C2, the one-time keyboard layout switch, has no counterpart here: the
    // desktop chooses the input language.
    // C3
    if (m_windows.splash)
        Modal::run(m_windows.splash);
    // C4: may close the window; the remaining steps still run.
    hooks.utilities.passwordCheck();
    if (!isClosed())
        hooks.sending.startNotice();
    // C5-C9
    strip->move(strip->x(), 0);
    selectPage(0);
    Timer5.start();
    clockTick();
    firstShow = false;
}

void TFormMain::setOpacity(int value) {
    m_opacity = value;
    // Headless platforms have no opacity and say so on every call.
    static const bool supported = QGuiApplication::platformName() != QLatin1String("offscreen") &&
                                  QGuiApplication::platformName() != QLatin1String("minimal");
    if (supported) {
        setWindowOpacity(value / 255.0);
        // The opacity is a request to the window system that waits in the
        // connection's buffer until something else is sent: nothing is
        // painted during a fade, so under a compositing manager the window
        // would stay where the last flush left it. Push each step out.
        QGuiApplication::sync();
    }
}

void TFormMain::fadeInTick() {
    if (m_opacity < kFullOpacity)
        setOpacity(std::min(m_opacity + 5, kFullOpacity));
    else
        Timer5.stop();
}

void TFormMain::fadeOutTick() {
    if (m_opacity > kStartOpacity) {
        setOpacity(std::max(m_opacity - 5, kStartOpacity));
    } else {
        Timer6.stop();
        close();
    }
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (m_opacity == kFullOpacity) {
        // F1: the first close at full opacity fades out instead of closing.
        if (!hooks.incoming.saveDeliveryReports()) {
            event->ignore();
            return;
        }
        event->ignore();
        Timer6.start();
        strip->stopActivityTimer();
        Timer3.stop();
        Timer4.stop();
        Timer5.stop();
        if (Timer7.isActive())
            hooks.incoming.sabre();
        Timer7.stop();
    } else {
        event->accept();
    }
    // F2
    hooks.incoming.closing();
    db.closeContacts();
    db.closeLog();
    if (event->isAccepted() && !m_closed) {
        m_closed = true;
        Q_EMIT closed();
    }
}

void TFormMain::treeEntered(bool entered) {
    QPalette p = TreeView1->palette();
    p.setColor(QPalette::Text, entered ? Qt::blue : Qt::black);
    TreeView1->setPalette(p);
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TreeView1->viewport() && event->type() == QEvent::MouseButtonRelease) {
        // Only the button that selects is a navigation click.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            navigationClick();
    } else if (watched == TreeView1 &&
               (event->type() == QEvent::Enter || event->type() == QEvent::Leave)) {
        treeEntered(event->type() == QEvent::Enter);
    } else if (watched == PageControl1 &&
               (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        return true; // pages change only through the tree and the buttons
    }
    return QWidget::eventFilter(watched, event);
}
