#pragma once

#include <QFlags>
#include <QString>

// The buttons a message box may offer, numbered as the toolkit numbers its
// own, so a window hands them on unchanged.
enum class MessageButton : unsigned {
    NoButton = 0,
    Ok = 0x00000400,
    Yes = 0x00004000,
    No = 0x00010000,
    Cancel = 0x00400000,
};
Q_DECLARE_FLAGS(MessageButtons, MessageButton)
Q_DECLARE_OPERATORS_FOR_FLAGS(MessageButtons)

// Every message and question the program puts to the operator goes through
// here, so tests can script the answers and never block on a modal box, and
// the command line answers on its terminal.
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
    virtual MessageButton messageDlgTitle(const QString& caption, const QString& text,
                                          MessageButtons buttons) = 0;

    static MessageService& instance();
    // Replaces the service (nullptr restores the default). Not owned.
    static void setInstance(MessageService* service);
    // The service used while none is set: the windows install theirs at
    // start; without them messages go to standard error. Not owned.
    static void setDefault(MessageService* service);
};

// Without a display: every message goes to standard error, and a question
// nobody can answer is answered no, so nothing is done unasked.
class StreamMessageService : public MessageService {
public:
    void showMessage(const QString& text) override;
    bool ask(const QString& text) override;
    void showError(const QString& text) override;
    MessageButton messageDlgTitle(const QString& caption, const QString& text,
                                  MessageButtons buttons) override;
};
