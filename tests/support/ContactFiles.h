#pragma once

// Small contact files made by the tests: text in any encoding, zips of
// sheet XML for .xlsx and .ods.

#include <QFile>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QTemporaryDir>

#include <zip.h>

#include "store/ContactReader.h"

namespace contactfiles {

inline QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qWarning("cannot write %s", qPrintable(path));
    return path;
}

inline QString writeZip(const QTemporaryDir& dir, const QString& name,
                        const QList<QPair<QString, QByteArray>>& parts) {
    const QString path = dir.filePath(name);
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) {
        qWarning("cannot create %s", qPrintable(path));
        return path;
    }
    // libzip reads the buffers at zip_close: they live until then.
    for (const auto& [part, bytes] : parts) {
        zip_source_t* src = zip_source_buffer(z, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        if (!src || zip_file_add(z, part.toUtf8().constData(), src, ZIP_FL_OVERWRITE) < 0)
            qWarning("cannot add part %s", qPrintable(part));
    }
    if (zip_close(z) != 0)
        qWarning("cannot write %s", qPrintable(path));
    return path;
}

// An .xlsx of one sheet: rows of sheet XML given whole, with a shared
// string table.
inline QString writeXlsx(const QTemporaryDir& dir, const QString& name, const QStringList& shared,
                         const QByteArray& sheetRows) {
    QByteArray sst = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst "
                     "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
    for (const QString& s : shared)
        sst += "<si><t>" + s.toHtmlEscaped().toUtf8() + "</t></si>";
    sst += "</sst>";
    const QByteArray workbook =
        "<?xml version=\"1.0\"?><workbook "
        "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<sheets><sheet name=\"Contacts\" sheetId=\"1\" r:id=\"rId7\"/></sheets></workbook>";
    const QByteArray rels =
        "<?xml version=\"1.0\"?><Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId7\" Type=\"worksheet\" Target=\"worksheets/contacts.xml\"/>"
        "</Relationships>";
    const QByteArray sheet =
        "<?xml version=\"1.0\"?><worksheet "
        "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" +
        sheetRows + "</sheetData></worksheet>";
    return writeZip(dir, name,
                    {{QStringLiteral("[Content_Types].xml"), "<Types/>"},
                     {QStringLiteral("xl/workbook.xml"), workbook},
                     {QStringLiteral("xl/_rels/workbook.xml.rels"), rels},
                     {QStringLiteral("xl/sharedStrings.xml"), sst},
                     {QStringLiteral("xl/worksheets/contacts.xml"), sheet}});
}

inline QString writeOds(const QTemporaryDir& dir, const QString& name, const QByteArray& rows) {
    const QByteArray content =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
        "<office:spreadsheet><table:table table:name=\"a\">" +
        rows +
        "</table:table><table:table table:name=\"b\"><table:table-row><table:table-cell "
        "office:value-type=\"string\"><text:p>second sheet</text:p></table:table-cell>"
        "</table:table-row></table:table></office:spreadsheet></office:body>"
        "</office:document-content>";
    return writeZip(dir, name,
                    {{QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.spreadsheet"},
                     {QStringLiteral("content.xml"), content}});
}

// Every row a reader gives, and its error at the end.
inline QList<QStringList> readAll(ContactReader& reader) {
    QList<QStringList> rows;
    QStringList cells;
    while (reader.next(&cells))
        rows.append(cells);
    return rows;
}

inline QList<QStringList> readAll(const QString& path, QString* error = nullptr,
                                  const contactreader::Options& options = {}) {
    QString why;
    auto reader = contactreader::open(path, options, &why);
    if (!reader) {
        if (error)
            *error = why;
        return {};
    }
    QList<QStringList> rows = readAll(*reader);
    if (error)
        *error = reader->error();
    return rows;
}

} // namespace contactfiles
