#pragma once

#include <QString>
#include <QStringList>

struct lxw_workbook;
struct lxw_worksheet;

// A one-sheet .xlsx of text cells only: a spreadsheet never runs them, and a
// number keeps its leading 0. Rows go to disk as they are written, into a
// file beside the target that commit() renames into place, so a failure
// leaves no half file; a workbook never committed is discarded.
class TextWorkbook {
public:
    enum class Commit { Done, NotClosed, NotRenamed };

    explicit TextWorkbook(const QString& path);
    ~TextWorkbook();
    TextWorkbook(const TextWorkbook&) = delete;
    TextWorkbook& operator=(const TextWorkbook&) = delete;

    bool isOpen() const { return m_book != nullptr; }
    void writeRow(const QStringList& cells);
    // Rows written so far, the heading included.
    qint64 rows() const { return m_row; }
    Commit commit();
    // Why commit() failed: the writer's reason, or the rename's.
    QString error() const { return m_error; }

private:
    QString m_path;
    QString m_temp;
    lxw_workbook* m_book = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    quint32 m_row = 0;
    QString m_error;
};
