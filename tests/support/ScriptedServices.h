#pragma once

#include <functional>

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include "shell/MessageService.h"
#include "shell/ui/DialogService.h"

// Records every message and question; answers questions from a queue (OK
// when the queue is empty, unless defaultAnswer says otherwise). Installed
// for its lifetime.
class ScriptedMessages : public MessageService {
public:
    ScriptedMessages() { MessageService::setInstance(this); }
    ~ScriptedMessages() override { MessageService::setInstance(nullptr); }

    void showMessage(const QString& text) override {
        messages.append(text);
        if (onMessage)
            onMessage(text);
    }
    bool ask(const QString& text) override {
        questions.append(text);
        return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
    }
    void showError(const QString& text) override { errors.append(text); }
    // Answered from buttonAnswers; an empty queue presses the first of OK,
    // Yes and the other buttons offered.
    MessageButton messageDlgTitle(const QString& caption, const QString& text,
                                  MessageButtons buttons) override {
        titled.append({caption, text});
        offered.append(buttons);
        if (!buttonAnswers.isEmpty())
            return buttonAnswers.takeFirst();
        for (auto b : {MessageButton::Ok, MessageButton::Yes}) {
            if (buttons.testFlag(b))
                return b;
        }
        for (unsigned bit = 1; bit != 0; bit <<= 1) {
            if (buttons.testAnyFlag(static_cast<MessageButton>(bit)))
                return static_cast<MessageButton>(bit);
        }
        return MessageButton::NoButton;
    }

    // Everything shown, in order, messages and errors alike.
    QStringList all() const { return messages + errors; }
    void clear() {
        messages.clear();
        errors.clear();
        questions.clear();
        titled.clear();
        offered.clear();
    }

    QStringList messages;
    QStringList errors;
    QStringList questions;
    QList<bool> answers;
    bool defaultAnswer = true;
    // Runs while a message is up, as the events a real box lets through.
    std::function<void(const QString&)> onMessage;
    // Titled boxes: caption and text, the buttons each offered.
    QList<QPair<QString, QString>> titled;
    QList<MessageButtons> offered;
    QList<MessageButton> buttonAnswers;
};

// Answers dialogs from queues; an empty queue means the operator cancelled.
class ScriptedDialogs : public DialogService {
public:
    ScriptedDialogs() { DialogService::setInstance(this); }
    ~ScriptedDialogs() override { DialogService::setInstance(nullptr); }

    QString existingDirectory(QWidget*, const QString& caption, const QString&) override {
        captions.append(caption);
        return directories.isEmpty() ? QString() : directories.takeFirst();
    }
    QString openFileName(QWidget*, const FileDialogOptions& options) override {
        captions.append(options.caption);
        fileOptions.append(options);
        return openFiles.isEmpty() ? QString() : openFiles.takeFirst();
    }
    QString saveFileName(QWidget*, const FileDialogOptions& options) override {
        captions.append(options.caption);
        fileOptions.append(options);
        return saveFiles.isEmpty() ? QString() : saveFiles.takeFirst();
    }
    QColor color(QWidget*, const QColor&) override {
        return colors.isEmpty() ? QColor() : colors.takeFirst();
    }

    QStringList directories;
    QStringList openFiles;
    QStringList saveFiles;
    QList<QColor> colors;
    QStringList captions;
    // Filter and default suffix of every open and save dialog.
    QList<FileDialogOptions> fileOptions;
};
