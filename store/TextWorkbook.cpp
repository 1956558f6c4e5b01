#include "store/TextWorkbook.h"

#include <QFile>

#include <xlsxwriter.h>

TextWorkbook::TextWorkbook(const QString& path)
    : m_path(path), m_temp(path + QStringLiteral(".part")) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    m_book = workbook_new_opt(QFile::encodeName(m_temp).constData(), &options);
    if (m_book)
        m_sheet = workbook_add_worksheet(m_book, nullptr);
}

TextWorkbook::~TextWorkbook() {
    if (!m_book)
        return;
    workbook_close(m_book);
    QFile::remove(m_temp);
}

void TextWorkbook::writeRow(const QStringList& cells) {
    for (qsizetype c = 0; c < cells.size(); ++c) {
        if (!cells.at(c).isEmpty())
            worksheet_write_string(m_sheet, m_row, static_cast<lxw_col_t>(c),
                                   cells.at(c).toUtf8().constData(), nullptr);
    }
    ++m_row;
}

TextWorkbook::Commit TextWorkbook::commit() {
    const lxw_error closed = workbook_close(m_book);
    m_book = nullptr;
    if (closed != LXW_NO_ERROR) {
        QFile::remove(m_temp);
        m_error = QString::fromUtf8(lxw_strerror(closed));
        return Commit::NotClosed;
    }
    QFile::remove(m_path);
    if (!QFile::rename(m_temp, m_path)) {
        QFile temporary(m_temp);
        m_error = temporary.errorString();
        temporary.remove();
        return Commit::NotRenamed;
    }
    return Commit::Done;
}
