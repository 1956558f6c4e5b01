#pragma once

#include <QString>

// How the program reaches a Kannel gateway and how the gateway reaches the
// program back. Kept in the data folder in a file only its owner may read,
// since it holds the sendsms password.
struct GatewaySettings {
    static inline const QString kFile = QStringLiteral("gateway.conf");

    // smsbox's sendsms address, "http://host:13013/cgi-bin/sendsms"; empty
    // while no gateway is configured.
    QString url;
    QString user;
    QString password;
    QString smscId;   // routes through one smsc; empty lets Kannel choose
    QString sender;   // the from number; empty leaves it to the sendsms-user
    int window = 32;  // submits in flight at once
    int rate = 0;     // messages a second at most; 0 = no cap
    int timeout = 30; // seconds for smsbox's answer once the request is written
    // Where the endpoint listens, and the host Kannel reaches it at (empty:
    // the listen address), for a gateway on another machine.
    QString listenAddress = QStringLiteral("127.0.0.1");
    int listenPort = 13090;
    QString callbackHost;
    // Carried by every report and incoming address: a request without it is
    // not Kannel's.
    QString secret;

    bool isConfigured() const { return !url.isEmpty(); }
    // A Persian message on a bad value, empty when all are good.
    QString check() const;
    // The address of the endpoint as Kannel calls it.
    QString endpointBase() const;

    // Missing file: the defaults, not configured.
    static GatewaySettings load(const QString& folder);
    // Written whole or not at all, readable and writable by the owner only;
    // a secret is made on the first save.
    bool save(const QString& folder, QString* error = nullptr);
};
