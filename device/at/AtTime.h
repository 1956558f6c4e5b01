#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <optional>

// A clock reading as modems give it (AT+CCLK, SMS time stamps): a local date
// and time and the zone offset in quarter hours. The operator sees and types
// it as "yyyy/MM/dd HH:mm:ss +hh:mm".
struct AtTime {
    QDate date;
    QTime time;
    int quarters = 0; // offset from UTC, -48..+56

    bool isValid() const { return date.isValid() && time.isValid(); }

    // "2024/05/01 13:45:10 +03:30"
    QString toText() const;
    // "24/05/01,13:45:10+14", the value of AT+CCLK (without quotes).
    QByteArray toCclk() const;

    static AtTime fromDateTime(const QDateTime& dt, int quarters);
    // The value of "+CCLK: ..." (quotes optional, zone optional).
    static std::optional<AtTime> fromCclk(const QByteArray& value);
    // What the operator typed: "yyyy/MM/dd HH:mm[:ss] [+hh:mm]" with '/' or
    // '-' in the date, or the modem's own form. Without a zone, defaultQuarters.
    static std::optional<AtTime> fromText(const QString& text, int defaultQuarters);
};
