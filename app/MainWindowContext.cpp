#include "app/MainWindowContext.h"

#include "shell/ui/StatusStrip.h"

#include <QLabel>
#include <QTreeWidget>

#include "app/TFormMain.h"
#include "device/ModemPool.h"
#include "sending/Gateway.h"
#include "sending/KannelLink.h"
#include "shell/ui/PleaseWaitWindow.h"
#include "shell/ui/SearchWindow.h"

Database& MainWindowContext::database() {
    return m_main.db;
}

KylixSMS& MainWindowContext::sms() {
    return m_main.KylixSMS1;
}

ModemSource* MainWindowContext::modemSource() {
    return m_pool;
}

std::unique_ptr<Link> MainWindowContext::gatewayLink() {
    return m_gateway ? m_gateway->makeLink() : nullptr;
}

KylixSMS& MainWindowContext::deviceSms() {
    return m_pool ? m_pool->chosenSms() : m_main.KylixSMS1;
}

bool MainWindowContext::deviceConnected() const {
    return m_pool ? m_pool->chosenConnected() : m_main.isConnected();
}

QString MainWindowContext::programDir() const {
    return m_main.programDir;
}

QWidget* MainWindowContext::page(Page page) const {
    return m_main.page(static_cast<int>(page));
}

Page MainWindowContext::currentPage() const {
    return static_cast<Page>(m_main.currentPage());
}

void MainWindowContext::selectPage(Page page) {
    m_main.selectPage(static_cast<int>(page));
}

void MainWindowContext::pageEntry() {
    m_main.pageEntry();
}

PersianDate MainWindowContext::today() const {
    return PersianDate{m_main.e3->text().toInt(), m_main.e2->text().toInt(),
                       m_main.e1->text().toInt()};
}

QString MainWindowContext::statusTime() const {
    return m_main.es->text();
}

void MainWindowContext::showStatusNote(const QString& text) {
    m_main.lblStatusNote->setText(text);
}

bool MainWindowContext::isConnected() const {
    return m_main.isConnected();
}

ShellHooks& MainWindowContext::hooks() {
    return m_main.hooks;
}

StatusStrip& MainWindowContext::statusStrip() {
    return *m_main.strip;
}

void MainWindowContext::setNavigationEnabled(bool enabled) {
    m_main.TreeView1->setEnabled(enabled);
}

bool MainWindowContext::isNavigationEnabled() const {
    return m_main.TreeView1->isEnabled();
}

SearchWindow& MainWindowContext::searchWindow() {
    Q_ASSERT(m_main.shellWindows().search);
    return *m_main.shellWindows().search;
}

void MainWindowContext::showPleaseWait() {
    if (PleaseWaitWindow* w = m_main.shellWindows().pleaseWait)
        w->showWait(&m_main);
}

void MainWindowContext::closePleaseWait() {
    if (PleaseWaitWindow* w = m_main.shellWindows().pleaseWait)
        w->closeWait();
}

ClockTimer& MainWindowContext::timer(ShellTimer timer) {
    switch (timer) {
    case ShellTimer::DeviceRefresh:
        return m_main.Timer3;
    case ShellTimer::Assembly:
        return m_main.Timer7;
    case ShellTimer::AboutBrighten:
        return m_main.Timer8;
    case ShellTimer::AboutDarken:
        return m_main.Timer9;
    case ShellTimer::AboutType:
        break;
    }
    return m_main.Timer10;
}

QWidget* MainWindowContext::mainWindow() {
    return &m_main;
}

void MainWindowContext::closeMainWindow() {
    m_main.close();
}

void MainWindowContext::setNewMessageNotice(bool shown) {
    statusStrip().setNewMessageNotice(shown);
}
