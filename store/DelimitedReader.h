#pragma once

#include <QFile>
#include <QStringDecoder>

#include "store/ContactReader.h"

// Comma, semicolon or tab separated text, as spreadsheets and accounting
// programs write it: quoted fields with doubled quotes and line breaks
// inside, CR LF, LF or CR line ends. The encoding (UTF-8 with or without a
// byte-order mark, UTF-16 either way round, Windows-1256) and the delimiter
// are detected from the file's start unless given. Read in chunks: the file
// is never in memory whole.
class DelimitedReader : public ContactReader {
public:
    explicit DelimitedReader(const QString& path, const contactreader::Options& options = {});

    // False, with error(), when the file cannot be read or is not text.
    bool open();
    bool next(QStringList* cells) override;
    double progress() const override;

    contactreader::Encoding encoding() const { return m_encoding; }
    QChar delimiter() const { return m_delimiter; }

    // What the start of a file says: its encoding, and how many bytes of
    // byte-order mark to skip.
    static contactreader::Encoding detectEncoding(const QByteArray& start, int* bomLength);
    // The delimiter that splits the sample's first lines most evenly.
    static QChar detectDelimiter(const QString& sample);
    // Whether decoded text is a binary file's: NULs or many control bytes.
    static bool looksBinary(const QString& sample);

private:
    bool fill();
    QString decodeChunk(const QByteArray& bytes);

    QFile m_file;
    contactreader::Options m_options;
    contactreader::Encoding m_encoding = contactreader::Encoding::Utf8;
    QChar m_delimiter = QLatin1Char(',');
    QStringDecoder m_decoder;
    QString m_buffer;
    qsizetype m_pos = 0;
    bool m_eof = false;
    qint64 m_nextLine = 1;
};
