#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

#include "store/ContactImport.h"
#include "store/ContactReader.h"

class GroupPicker;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;
class ShellContext;

// Import of contacts into a group: the file, its encoding and delimiter,
// a preview of the first rows with the columns mapped to the member's
// fields (guessed from the header), the duplicate choice, a progress bar
// that can cancel, and the report with the refused rows to save. The work
// is ContactImport's over a ContactReader; this window only asks and shows.
class ImportWindow : public QDialog {
    Q_OBJECT
public:
    explicit ImportWindow(ShellContext& shell, QWidget* parent = nullptr);

    // Opens a file into the preview (also what the file button does after
    // its dialog).
    void loadFile(const QString& path);
    void chooseFile();
    void startImport();
    void cancelImport();
    void saveRefused();
    // The last report.
    const ImportReport& report() const { return m_report; }

private:
    void reloadPreview();
    contactreader::Options readerOptions() const;
    ColumnMap chosenMap() const;
    void setBusy(bool busy);

    ShellContext& m_shell;
    QString m_path;
    QStringList m_header;
    bool m_fixedHeader = false;
    bool m_cancel = false;
    ImportReport m_report;

    QLabel* m_file = nullptr;
    QComboBox* m_encoding = nullptr;
    QComboBox* m_delimiter = nullptr;
    QCheckBox* m_hasHeader = nullptr;
    QRadioButton* m_intoGroup = nullptr;
    QRadioButton* m_intoNew = nullptr;
    GroupPicker* m_group = nullptr;
    QLineEdit* m_newGroup = nullptr;
    QList<QComboBox*> m_map; // name, family, number, birth, contract
    QComboBox* m_duplicates = nullptr;
    QTableWidget* m_preview = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_saveRefused = nullptr;
    QPlainTextEdit* m_reportText = nullptr;
};
