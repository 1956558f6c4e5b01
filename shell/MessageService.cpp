#include "shell/MessageService.h"

#include <QApplication>
#include <QMessageBox>

namespace {
MessageService* g_service = nullptr;

QMessageBox::StandardButton run(QMessageBox::Icon icon, const QString& text,
                                QMessageBox::StandardButtons buttons,
                                const QString& caption = QApplication::applicationName()) {
    QMessageBox box(icon, caption, text, buttons, QApplication::activeWindow());
    box.setLayoutDirection(Qt::RightToLeft);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
} // namespace

MessageService& MessageService::instance() {
    static WidgetMessageService fallback;
    return g_service ? *g_service : fallback;
}

void MessageService::setInstance(MessageService* service) {
    g_service = service;
}

void WidgetMessageService::showMessage(const QString& text) {
    run(QMessageBox::NoIcon, text, QMessageBox::Ok);
}

bool WidgetMessageService::ask(const QString& text) {
    return run(QMessageBox::NoIcon, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

void WidgetMessageService::showError(const QString& text) {
    run(QMessageBox::Critical, text, QMessageBox::Ok);
}

QMessageBox::StandardButton
WidgetMessageService::messageDlgTitle(const QString& caption, const QString& text,
                                      QMessageBox::StandardButtons buttons) {
    return run(QMessageBox::NoIcon, text, buttons, caption);
}
