#pragma once

#include <QObject>

#include <memory>

class Gateway;
class GatewayBox;
class IncomingSubsystem;
class QPushButton;
class ShellContext;

// The Kannel gateway put together: its endpoint running from start-up
// while one is configured, its reports and incoming messages handed to the
// report list and the inbox as a modem's are, and its entry opened from
// the settings page.
class GatewaySubsystem : public QObject {
    Q_OBJECT
public:
    GatewaySubsystem(ShellContext& shell, IncomingSubsystem& incoming);
    ~GatewaySubsystem() override;

    Gateway& gateway() const { return *m_gateway; }
    GatewayBox& box() const { return *m_box; }

private:
    std::unique_ptr<Gateway> m_gateway;
    std::unique_ptr<GatewayBox> m_box;
    QPushButton* m_open = nullptr;
};
