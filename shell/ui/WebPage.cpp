#include "shell/ui/WebPage.h"
#include "shell/Bidi.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/AboutTexts.h"
#include "shell/ui/Browser.h"
#include "shell/ui/ShellContext.h"
#include "shell/ui/WidgetNames.h"

WebPage::WebPage(ShellContext& shell) : QObject(shell.mainWindow()), m_shell(shell) {
    using namespace abouttext;
    QWidget* page = m_shell.page(Page::Web);
    delete page->findChild<QLabel*>(QStringLiteral("lblPageTitle"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(8, 32, 8, 8);

    auto* bar = new QHBoxLayout;
    m_address = named(new QComboBox(page), "ComboBox1");
    m_address->setEditable(true);
    // Enter navigates; the list keeps what was navigated to, not every
    // half-typed address.
    m_address->setInsertPolicy(QComboBox::NoInsert);
    m_address->setLayoutDirection(Qt::LeftToRight);
    m_address->lineEdit()->installEventFilter(this);
    bar->addWidget(m_address, 1);
    auto button = [page, bar](const QString& hint, const char* name) {
        auto* b = named(new QPushButton(hint, page), name);
        b->setToolTip(hint);
        bar->addWidget(b);
        return b;
    };
    connect(button(kGo, "btnGo"), &QPushButton::clicked, this,
            [this] { navigate(m_address->currentText()); });
    connect(button(kStop, "btnStop"), &QPushButton::clicked, this, &WebPage::stop);
    connect(button(kRefresh, "btnRefresh"), &QPushButton::clicked, this, &WebPage::reload);
    layout->addLayout(bar);

    m_browserBox = named(new QWidget(page), "pnlBrowser");
    auto* boxLayout = new QVBoxLayout(m_browserBox);
    boxLayout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browserBox, 1);

    for (const QString& line : {kPhoneLine1, kPhoneLine2, kMakerName})
        layout->addWidget(new QLabel(bidi::isolateLtrRuns(line), page));
}

WebPage::~WebPage() = default;

Browser& WebPage::ensureBrowser() {
    if (!m_browser) {
        m_browser = Browser::create(m_browserBox);
        m_browserBox->layout()->addWidget(m_browser->widget());
    }
    return *m_browser;
}

void WebPage::markVisited() {
    m_visited = true;
    ensureBrowser();
}

void WebPage::navigate(const QString& address) {
    if (address.trimmed().isEmpty())
        return;
    m_address->setEditText(address);
    if (m_address->findText(address) < 0)
        m_address->addItem(address);
    ensureBrowser().navigate(address);
}

void WebPage::stop() {
    if (m_browser)
        m_browser->stop();
}

void WebPage::reload() {
    if (m_browser)
        m_browser->reload();
}

bool WebPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_address->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            navigate(m_address->currentText());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
