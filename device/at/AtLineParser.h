#pragma once

#include <QByteArray>
#include <QList>

// What a modem says, cut into lines and classified. This class does no I/O:
// it is fed raw bytes as they come from the port, in chunks of any size, and
// returns what those bytes completed. Everything it reads comes from a device
// and is untrusted: any byte sequence is accepted and memory stays bounded.
class AtLineParser {
public:
    enum class Kind {
        Final,       // ends the running command (OK, ERROR, +CME/+CMS ERROR, ...)
        CallResult,  // NO CARRIER, BUSY, NO ANSWER, NO DIALTONE: final only for a dial
        Prompt,      // "> " of AT+CMGS, waiting for the PDU
        Info,        // any other line: belongs to the running command, if there is one
        Unsolicited, // an event of the modem's own (+CMTI, +CMT, RING, ...)
        Noise,       // status chatter to be ignored (^RSSI, ^BOOT, "SMS Ready", ...)
    };
    enum class Final { None, Ok, Error, CmeError, CmsError, Connect };
    enum class Urc { None, Cmti, Cmt, Cds, Cdsi, Cusd, Ring, Clip };

    struct Item {
        Kind kind = Kind::Info;
        Final final = Final::None;
        Urc urc = Urc::None;
        int errorCode = -1; // +CME/+CMS ERROR: n; -1 when not numeric or absent
        QByteArray line;    // the line without CR/LF and trailing blanks
        QByteArray pdu;     // +CMT, +CDS: the hex PDU line that followed (may be empty)
    };

    // Longest line kept. A PDU line is at most ~360 characters; anything much
    // longer is not a modem answer and is dropped.
    static constexpr int kMaxLine = 4096;

    QList<Item> feed(const QByteArray& data);
    void reset();

    // Classifies one complete line (no CR/LF). Exposed for tests.
    static Item classify(const QByteArray& line);

private:
    void endLine(QList<Item>& out);
    void emitLine(const QByteArray& line, QList<Item>& out);

    QByteArray m_line;
    bool m_overflow = false;
    bool m_swallowSpace = false; // the blank after '>' may come in the next chunk
    bool m_havePendingPdu = false;
    Item m_pending; // +CMT/+CDS header waiting for its PDU line
};
