#include "sending/ui/GatewayBox.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "sending/Gateway.h"
#include "sending/GatewayTexts.h"
#include "sending/KannelRequest.h"
#include "shell/MessageService.h"

namespace {
QLineEdit* field(QWidget* parent, const char* name, bool leftToRight = true) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    // Addresses, names and numbers read left to right in a right-to-left page.
    if (leftToRight)
        e->setLayoutDirection(Qt::LeftToRight);
    return e;
}
} // namespace

GatewayBox::GatewayBox(Gateway& gateway, QWidget* parent) : QWidget(parent), m_gateway(gateway) {
    using namespace gatewaytext;
    setObjectName(QStringLiteral("GatewayBox"));
    setWindowTitle(kBoxTitle);
    auto* form = new QFormLayout;
    m_url = field(this, "teGatewayUrl");
    m_url->setPlaceholderText(QStringLiteral("http://127.0.0.1:13013/cgi-bin/sendsms"));
    m_user = field(this, "teGatewayUser");
    m_password = field(this, "teGatewayPassword");
    m_password->setEchoMode(QLineEdit::Password);
    m_smsc = field(this, "teGatewaySmsc");
    m_sender = field(this, "teGatewaySender");
    m_window = field(this, "teGatewayWindow");
    m_rate = field(this, "teGatewayRate");
    m_timeout = field(this, "teGatewayTimeout");
    m_listen = field(this, "teGatewayListen");
    m_port = field(this, "teGatewayPort");
    m_callback = field(this, "teGatewayCallback");
    auto* listen = new QHBoxLayout;
    listen->addWidget(m_listen, 3);
    listen->addWidget(m_port, 1);
    form->addRow(kUrlLabel, m_url);
    form->addRow(kUserLabel, m_user);
    form->addRow(kPasswordLabel, m_password);
    form->addRow(kSmscLabel, m_smsc);
    form->addRow(kSenderLabel, m_sender);
    form->addRow(kWindowLabel, m_window);
    form->addRow(kRateLabel, m_rate);
    form->addRow(kTimeoutLabel, m_timeout);
    form->addRow(kListenLabel, listen);
    form->addRow(kCallbackLabel, m_callback);
    // What the operator copies into Kannel's sms-service, secret included.
    m_service = field(this, "teGatewayServiceUrl");
    m_service->setReadOnly(true);
    form->addRow(kServiceLabel, m_service);
    m_save = new QPushButton(kSave, this);
    m_save->setObjectName(QStringLiteral("btnGatewaySave"));
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("lblGatewayState"));
    m_state->setWordWrap(true);
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(m_state);
    column->addWidget(m_save, 0, Qt::AlignLeft);
    connect(m_save, &QPushButton::clicked, this, &GatewayBox::save);
    reload();
}

void GatewayBox::reload() {
    const GatewaySettings& s = m_gateway.settings();
    m_url->setText(s.url);
    m_user->setText(s.user);
    m_password->setText(s.password);
    m_smsc->setText(s.smscId);
    m_sender->setText(s.sender);
    m_window->setText(QString::number(s.window));
    m_rate->setText(QString::number(s.rate));
    m_timeout->setText(QString::number(s.timeout));
    m_listen->setText(s.listenAddress);
    m_port->setText(QString::number(s.listenPort));
    m_callback->setText(s.callbackHost);
    showState();
}

bool GatewayBox::save() {
    GatewaySettings s = m_gateway.settings();
    bool ok = true;
    const auto number = [&ok](QLineEdit* e) {
        bool fine = false;
        const int v = e->text().trimmed().toInt(&fine);
        ok = ok && fine;
        return v;
    };
    s.url = m_url->text().trimmed();
    s.user = m_user->text();
    s.password = m_password->text();
    s.smscId = m_smsc->text().trimmed();
    s.sender = m_sender->text().trimmed();
    s.window = number(m_window);
    s.rate = number(m_rate);
    s.timeout = number(m_timeout);
    s.listenAddress = m_listen->text().trimmed();
    s.listenPort = number(m_port);
    s.callbackHost = m_callback->text().trimmed();
    if (!ok) {
        MessageService::instance().showMessage(gatewaytext::kBadNumber);
        return false;
    }
    const QString refused = m_gateway.apply(s);
    if (!refused.isEmpty()) {
        MessageService::instance().showMessage(refused);
        return false;
    }
    showState();
    MessageService::instance().showMessage(m_gateway.endpointError().isEmpty() ? gatewaytext::kSaved
                                                                               : m_state->text());
    return true;
}

void GatewayBox::showState() {
    using namespace gatewaytext;
    const GatewaySettings& s = m_gateway.settings();
    m_service->setText(s.isConfigured() ? kannel::incomingUrl(s) : QString());
    if (!s.isConfigured())
        m_state->setText(kNotConfigured);
    else if (!m_gateway.endpointError().isEmpty())
        m_state->setText(kNotListening + m_gateway.endpointError());
    else
        m_state->setText(kListening + s.endpointBase());
}
