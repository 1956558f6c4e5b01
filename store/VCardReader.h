#pragma once

#include <QFile>
#include <QList>

#include "store/ContactReader.h"

// vCard 2.1, 3.0 and 4.0 as phones export them: folded lines, QUOTED-
// PRINTABLE values with soft line breaks, a CHARSET per value, several TEL
// lines per card. Each card gives one row per mobile number (every number
// when none is marked as a mobile), its cells in the order of fixedHeader:
// name, family, number, birth date, contract date. Read line by line.
class VCardReader : public ContactReader {
public:
    explicit VCardReader(const QString& path);

    bool open();
    bool next(QStringList* cells) override;
    double progress() const override;
    QStringList fixedHeader() const override;

    // Quoted-printable bytes decoded ("=D8=B9" and soft breaks).
    static QByteArray decodeQuotedPrintable(const QByteArray& text);

private:
    bool readLogicalLine(QByteArray* line);
    bool readPhysicalLine(QByteArray* line);
    void takeProperty(const QByteArray& line);
    void finishCard();

    QFile m_file;
    QByteArray m_lookahead;
    bool m_haveLookahead = false;
    qint64 m_physical = 0;
    qint64 m_cardLine = 0;
    int m_cards = 0;
    bool m_inCard = false;
    // The card being read.
    QString m_given;
    QString m_family;
    QString m_formatted;
    QString m_birth;
    QString m_contract;
    QStringList m_mobiles;
    QStringList m_phones;
    QList<QStringList> m_ready;
    QList<qint64> m_readyLines;
};
