#include "shell/MainWindowContext.h"

#include <QLabel>

#include "shell/TFormMain.h"

Database& MainWindowContext::database() {
    return m_main.db;
}

KylixSMS& MainWindowContext::sms() {
    return m_main.KylixSMS1;
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

bool MainWindowContext::isConnected() const {
    return m_main.isConnected();
}

QWidget* MainWindowContext::mainWindow() {
    return &m_main;
}

void MainWindowContext::closeMainWindow() {
    m_main.close();
}
