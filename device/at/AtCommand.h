#pragma once

#include <QByteArray>
#include <QList>

#include "device/at/AtLineParser.h"

// One command for the modem and how long it may take.
struct AtCommand {
    QByteArray text;      // without the closing CR, for example "AT+CSQ"
    int timeoutMs = 2000; // from writing it to its final result
    QByteArray payload;   // AT+CMGS: PDU written after the "> " prompt, then Ctrl-Z
    int promptTimeoutMs = 5000;
    bool isDial = false; // NO CARRIER, BUSY ... end this command (otherwise they are
                         // the end of some call and end nothing)
    // A probe ("is anybody there?"): written even while the channel is out
    // of step, since any final result will do; it does not bring the channel
    // back in step.
    bool probe = false;
    // AT+CMGS: how long past its time-out, once the PDU went out, to wait for
    // the network's late answer (while the channel gets back in step). 0: none.
    int lateGraceMs = 0;
};

// How a command ended, and the information lines it collected.
struct AtReply {
    enum class Status { Ok, Error, Timeout, PortLost, NotOpen };
    Status status = Status::NotOpen;
    AtLineParser::Final final = AtLineParser::Final::None;
    int errorCode = -1;      // +CME/+CMS ERROR number
    QList<QByteArray> lines; // information lines, echo left out
    QByteArray finalLine;
    // AT+CMGS: the PDU went out, so a Timeout leaves open whether the
    // network took the message.
    bool payloadSent = false;

    bool ok() const { return status == Status::Ok; }
    // The first line that starts with the prefix, or empty.
    QByteArray line(const char* prefix) const {
        for (const QByteArray& l : lines)
            if (l.startsWith(prefix))
                return l;
        return {};
    }
};
