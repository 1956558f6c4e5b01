#pragma once

#include "store/ContactReader.h"

// The first sheet of an old Excel .xls workbook, through Debian's FreeXL.
// FreeXL takes the file in at open; rows are then given one at a time.
// Dates come out as yyyy-mm-dd.
class XlsReader : public ContactReader {
public:
    explicit XlsReader(const QString& path);
    ~XlsReader() override;

    bool open();
    bool next(QStringList* cells) override;
    double progress() const override;

private:
    QString m_path;
    const void* m_handle = nullptr;
    unsigned int m_rows = 0;
    unsigned short m_columns = 0;
    unsigned int m_row = 0;
};
