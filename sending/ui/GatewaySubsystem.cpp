#include "sending/ui/GatewaySubsystem.h"

#include <QPushButton>

#include "incoming/ReceivedMessages.h"
#include "incoming/ui/DeliveryReports.h"
#include "incoming/ui/IncomingSubsystem.h"
#include "sending/Gateway.h"
#include "sending/GatewayTexts.h"
#include "sending/ui/GatewayBox.h"
#include "shell/ui/ShellContext.h"

GatewaySubsystem::GatewaySubsystem(ShellContext& shell, IncomingSubsystem& incoming)
    : m_gateway(std::make_unique<Gateway>(shell)) {
    ReceivedMessages* received = &incoming.received();
    DeliveryReports* reports = &incoming.reports();
    connect(m_gateway.get(), &Gateway::messageArrived, this,
            [received](const QString& number, const QString& text, const QString& time) {
                // Kannel joins the parts of a long message before it calls.
                received->KylixSMSNewSMSReceived(0, 0, number, text, time, QString(), 0, 0);
            });
    connect(m_gateway.get(), &Gateway::reportArrived, this,
            [reports](const QString& number, const QString& time, int reference, int status) {
                reports->KylixSMSNewDeliveryReport(0, 0, number, time, reference, status);
            });
    m_box = std::make_unique<GatewayBox>(*m_gateway, shell.mainWindow());
    m_box->setWindowFlags(Qt::Dialog);
    m_open = new QPushButton(gatewaytext::kOpenButton, shell.page(Page::Settings));
    m_open->setObjectName(QStringLiteral("btnGateway"));
    // Under the send settings' box, at its right edge.
    m_open->setGeometry(424, 366, 220, 30);
    connect(m_open, &QPushButton::clicked, m_box.get(), [this] {
        m_box->reload();
        m_box->show();
        m_box->raise();
    });
    if (!m_gateway->endpointError().isEmpty())
        shell.showStatusNote(gatewaytext::kNotListening + m_gateway->endpointError());
}

GatewaySubsystem::~GatewaySubsystem() = default;
