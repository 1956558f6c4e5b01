#pragma once

#include <QString>
#include <QStringList>

#include <memory>

// A file of contacts read row by row, never held whole: each call to next
// gives one row of cells as text. A reader that meets a hostile or broken
// file stops with a message for the operator (error()), and whoever reads it
// then changes nothing.
class ContactReader {
public:
    virtual ~ContactReader() = default;

    // The next row; false at the end of the file or on an error.
    virtual bool next(QStringList* cells) = 0;
    // Empty while the file reads well.
    QString error() const { return m_error; }
    // How far through the file the reader is, 0 to 1.
    virtual double progress() const = 0;
    // The row or line number (from 1) of the row next gave last, as the
    // operator finds it in the file.
    qint64 line() const { return m_line; }
    // A reader whose rows have fixed columns (a vCard) names them; others
    // leave the first row to be a header or not.
    virtual QStringList fixedHeader() const { return {}; }

protected:
    bool fail(const QString& message) {
        m_error = message;
        return false;
    }
    QString m_error;
    qint64 m_line = 0;
};

namespace contactreader {

// The longest cell a reader takes, and the most cells a row may have: far
// beyond any real contact, small enough that a hostile file cannot make a
// reader hold a large part of itself.
constexpr qsizetype kMaxCell = 64 * 1024;
constexpr qsizetype kMaxColumns = 1024;

enum class Encoding { Auto, Utf8, Utf16LE, Utf16BE, Windows1256 };

struct Options {
    Encoding encoding = Encoding::Auto;
    QChar delimiter; // null: detected
};

// A reader for the file by its name's ending: .csv, .txt, .tsv and other
// text as delimited text; .xlsx, .ods, .xls; .vcf and .vcard. Null, with the
// message in *error, when the file cannot be opened or is not of its kind.
std::unique_ptr<ContactReader> open(const QString& path, const Options& options, QString* error);

} // namespace contactreader
