#pragma once

#include <QMessageBox>
#include <QString>

// Every message and question the program puts to the operator goes through
// here, so tests can script the answers and never block on a modal box.
class MessageService {
public:
    virtual ~MessageService() = default;

    // A plain message box with an OK button.
    virtual void showMessage(const QString& text) = 0;
    // A question without icon, buttons OK and Cancel: true only for OK.
    virtual bool ask(const QString& text) = 0;
    // The platform's standard error box, for unexpected engine errors.
    virtual void showError(const QString& text) = 0;
    // A message box without icon under a caption of its own, with the
    // buttons chosen; returns the button pressed (Cancel, or the only
    // button, when the box is closed otherwise).
    virtual QMessageBox::StandardButton messageDlgTitle(const QString& caption, const QString& text,
                                                        QMessageBox::StandardButtons buttons) = 0;

    static MessageService& instance();
    // Replaces the service (nullptr restores the default). Not owned.
    static void setInstance(MessageService* service);
};

// The real boxes, right to left, parented to the active window.
class WidgetMessageService : public MessageService {
public:
    void showMessage(const QString& text) override;
    bool ask(const QString& text) override;
    void showError(const QString& text) override;
    QMessageBox::StandardButton messageDlgTitle(const QString& caption, const QString& text,
                                                QMessageBox::StandardButtons buttons) override;
};
