#pragma once

#include <QWidget>

class Gateway;
class QLabel;
class QLineEdit;
class QPushButton;

// The gateway entry: smsbox's address, the sendsms user, the route, the
// window and rate, and where Kannel reaches the program back. A widget of
// its own, so it stands on any page or as a window.
class GatewayBox : public QWidget {
    Q_OBJECT
public:
    explicit GatewayBox(Gateway& gateway, QWidget* parent = nullptr);

    // The fields as the gateway holds them now.
    void reload();
    // Saves what the fields hold; false with the operator told why.
    bool save();

private:
    void showState();

    Gateway& m_gateway;
    QLineEdit* m_url;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLineEdit* m_smsc;
    QLineEdit* m_sender;
    QLineEdit* m_window;
    QLineEdit* m_rate;
    QLineEdit* m_timeout;
    QLineEdit* m_listen;
    QLineEdit* m_port;
    QLineEdit* m_callback;
    QLineEdit* m_service;
    QPushButton* m_save;
    QLabel* m_state;
};
