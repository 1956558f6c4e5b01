#include "shell/MessageService.h"

#include <cstdio>

namespace {
MessageService* g_service = nullptr;
MessageService* g_default = nullptr;

void print(const QString& text) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    line.replace(u'\r', u'\n');
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
}
} // namespace

MessageService& MessageService::instance() {
    static StreamMessageService fallback;
    if (g_service)
        return *g_service;
    return g_default ? *g_default : fallback;
}

void MessageService::setInstance(MessageService* service) {
    g_service = service;
}

void MessageService::setDefault(MessageService* service) {
    g_default = service;
}

void StreamMessageService::showMessage(const QString& text) {
    print(text);
}

bool StreamMessageService::ask(const QString& text) {
    print(text);
    return false;
}

void StreamMessageService::showError(const QString& text) {
    print(text);
}

MessageButton StreamMessageService::messageDlgTitle(const QString& caption, const QString& text,
                                                    MessageButtons buttons) {
    print(caption + QStringLiteral(": ") + text);
    if (buttons.testFlag(MessageButton::Cancel))
        return MessageButton::Cancel;
    return buttons.testFlag(MessageButton::Ok) ? MessageButton::Ok : MessageButton::NoButton;
}
