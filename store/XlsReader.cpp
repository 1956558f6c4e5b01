#include "store/XlsReader.h"

#include <QFile>

#include <freexl.h>

#include <cmath>

#include "store/ImportTexts.h"

XlsReader::XlsReader(const QString& path) : m_path(path) {}

XlsReader::~XlsReader() {
    if (m_handle)
        freexl_close(m_handle);
}

bool XlsReader::open() {
    if (!QFile::exists(m_path))
        return fail(importtext::kUnreadable);
    if (freexl_open(QFile::encodeName(m_path).constData(), &m_handle) != FREEXL_OK) {
        if (m_handle)
            freexl_close(m_handle);
        m_handle = nullptr;
        return fail(importtext::kNotASheet);
    }
    if (freexl_select_active_worksheet(m_handle, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(m_handle, &m_rows, &m_columns) != FREEXL_OK)
        return fail(importtext::kNotASheet);
    if (m_columns > contactreader::kMaxColumns)
        return fail(importtext::kTooManyColumns);
    return true;
}

bool XlsReader::next(QStringList* cells) {
    cells->clear();
    if (!m_handle || !m_error.isEmpty())
        return false;
    while (m_row < m_rows) {
        const unsigned int row = m_row++;
        bool any = false;
        for (unsigned short c = 0; c < m_columns; ++c) {
            FreeXL_CellValue v;
            QString text;
            if (freexl_get_cell_value(m_handle, row, c, &v) != FREEXL_OK)
                return fail(importtext::kBrokenSheet);
            switch (v.type) {
            case FREEXL_CELL_INT:
                text = QString::number(v.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                // A phone number stored as a number has no fraction.
                if (v.value.double_value == std::floor(v.value.double_value) &&
                    std::fabs(v.value.double_value) < 1e15)
                    text = QString::number(static_cast<qint64>(v.value.double_value));
                else
                    text = QString::number(v.value.double_value, 'g', 15);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                if (v.value.text_value)
                    text = QString::fromUtf8(v.value.text_value);
                break;
            default:
                break;
            }
            if (text.size() > contactreader::kMaxCell)
                return fail(importtext::kCellTooLong);
            any = any || !text.isEmpty();
            cells->append(text);
        }
        if (!any) {
            cells->clear();
            continue;
        }
        while (!cells->isEmpty() && cells->last().isEmpty())
            cells->removeLast();
        m_line = row + 1;
        return true;
    }
    return false;
}

double XlsReader::progress() const {
    return m_rows > 0 ? double(m_row) / double(m_rows) : 1.0;
}
