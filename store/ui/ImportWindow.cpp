#include "store/ui/ImportWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "shell/ui/DialogService.h"
#include "shell/MessageService.h"
#include "shell/ui/ShellContext.h"
#include "store/Database.h"
#include "store/ui/GroupPicker.h"
#include "store/ImportTexts.h"

namespace {
// Rows the preview shows.
constexpr int kPreviewRows = 20;

template <typename W> W* named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}
} // namespace

ImportWindow::ImportWindow(ShellContext& shell, QWidget* parent) : QDialog(parent), m_shell(shell) {
    using namespace importtext;
    setObjectName(QStringLiteral("ImportWindow"));
    setWindowTitle(kWindowTitle);
    setLayoutDirection(Qt::RightToLeft);
    auto* layout = new QVBoxLayout(this);

    auto* fileRow = new QHBoxLayout;
    auto* choose = named(new QPushButton(kChooseFile, this), "btnImportFile");
    m_file = named(new QLabel(this), "lblImportFile");
    fileRow->addWidget(choose);
    fileRow->addWidget(m_file, 1);
    layout->addLayout(fileRow);

    auto* readRow = new QHBoxLayout;
    m_encoding = named(new QComboBox(this), "cmbImportEncoding");
    m_encoding->addItem(kAutoDetect, int(contactreader::Encoding::Auto));
    m_encoding->addItem(QStringLiteral("UTF-8"), int(contactreader::Encoding::Utf8));
    m_encoding->addItem(QStringLiteral("UTF-16 LE"), int(contactreader::Encoding::Utf16LE));
    m_encoding->addItem(QStringLiteral("UTF-16 BE"), int(contactreader::Encoding::Utf16BE));
    m_encoding->addItem(QStringLiteral("Windows-1256"), int(contactreader::Encoding::Windows1256));
    m_delimiter = named(new QComboBox(this), "cmbImportDelimiter");
    m_delimiter->addItem(kAutoDetect, QString());
    m_delimiter->addItem(QStringLiteral(", (comma)"), QStringLiteral(","));
    m_delimiter->addItem(QStringLiteral("; (semicolon)"), QStringLiteral(";"));
    m_delimiter->addItem(QStringLiteral("Tab"), QStringLiteral("\t"));
    m_delimiter->addItem(QStringLiteral("|"), QStringLiteral("|"));
    m_hasHeader = named(new QCheckBox(kHasHeader, this), "cbImportHeader");
    readRow->addWidget(new QLabel(kEncoding, this));
    readRow->addWidget(m_encoding);
    readRow->addWidget(new QLabel(kDelimiter, this));
    readRow->addWidget(m_delimiter);
    readRow->addWidget(m_hasHeader);
    readRow->addStretch(1);
    layout->addLayout(readRow);

    m_preview = named(new QTableWidget(this), "tblImportPreview");
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setMinimumHeight(160);
    layout->addWidget(m_preview, 1);

    auto* mapBox = named(new QGroupBox(this), "grpImportMap");
    auto* mapRow = new QHBoxLayout(mapBox);
    const QString labels[] = {kHeadName, kHeadFamily, kHeadNumber, kHeadBirth, kHeadContract};
    const char* names[] = {"cmbMapName", "cmbMapFamily", "cmbMapNumber", "cmbMapBirth",
                           "cmbMapContract"};
    for (int i = 0; i < 5; ++i) {
        mapRow->addWidget(new QLabel(labels[i], mapBox));
        m_map.append(named(new QComboBox(mapBox), names[i]));
        mapRow->addWidget(m_map.last());
    }
    layout->addWidget(mapBox);

    auto* target = new QHBoxLayout;
    m_intoGroup = named(new QRadioButton(kIntoGroup, this), "rbImportGroup");
    m_group =
        new GroupPicker(shell.database().ADOQuery1, QStringLiteral("DBLookupComboBoxImport"), this);
    m_intoNew = named(new QRadioButton(kIntoNewGroup, this), "rbImportNewGroup");
    m_newGroup = named(new QLineEdit(this), "edImportNewGroup");
    m_newGroup->setMaxLength(50);
    m_intoGroup->setChecked(true);
    target->addWidget(m_intoGroup);
    target->addWidget(m_group);
    target->addWidget(m_intoNew);
    target->addWidget(m_newGroup);
    target->addWidget(new QLabel(kDuplicatesLabel, this));
    m_duplicates = named(new QComboBox(this), "cmbImportDuplicates");
    m_duplicates->addItem(kDupSkip, int(Duplicates::Skip));
    m_duplicates->addItem(kDupKeep, int(Duplicates::Keep));
    m_duplicates->addItem(kDupMerge, int(Duplicates::Merge));
    target->addWidget(m_duplicates);
    layout->addLayout(target);

    auto* run = new QHBoxLayout;
    m_start = named(new QPushButton(kStart, this), "btnImportStart");
    m_cancelButton = named(new QPushButton(kCancel, this), "btnImportCancel");
    m_cancelButton->setEnabled(false);
    m_progress = named(new QProgressBar(this), "pbImport");
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    run->addWidget(m_start);
    run->addWidget(m_cancelButton);
    run->addWidget(m_progress, 1);
    layout->addLayout(run);

    m_reportText = named(new QPlainTextEdit(this), "tmImportReport");
    m_reportText->setReadOnly(true);
    m_reportText->setMaximumHeight(160);
    layout->addWidget(m_reportText);
    auto* bottom = new QHBoxLayout;
    m_saveRefused = named(new QPushButton(kSaveRefused, this), "btnSaveRefused");
    m_saveRefused->setEnabled(false);
    auto* close = named(new QPushButton(kClose, this), "btnImportClose");
    bottom->addWidget(m_saveRefused);
    bottom->addStretch(1);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(choose, &QPushButton::clicked, this, &ImportWindow::chooseFile);
    connect(m_start, &QPushButton::clicked, this, &ImportWindow::startImport);
    connect(m_cancelButton, &QPushButton::clicked, this, &ImportWindow::cancelImport);
    connect(m_saveRefused, &QPushButton::clicked, this, &ImportWindow::saveRefused);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_encoding, &QComboBox::currentIndexChanged, this, &ImportWindow::reloadPreview);
    connect(m_delimiter, &QComboBox::currentIndexChanged, this, &ImportWindow::reloadPreview);
    connect(m_hasHeader, &QCheckBox::toggled, this, [this] {
        // The headings change with the tick; the guess does not.
        const QList<int> chosen = [this] {
            QList<int> c;
            for (QComboBox* m : std::as_const(m_map))
                c << m->currentIndex();
            return c;
        }();
        reloadPreview();
        for (int i = 0; i < m_map.size(); ++i)
            m_map[i]->setCurrentIndex(chosen.value(i));
    });
    resize(820, 600);
}

contactreader::Options ImportWindow::readerOptions() const {
    contactreader::Options o;
    o.encoding = static_cast<contactreader::Encoding>(m_encoding->currentData().toInt());
    const QString d = m_delimiter->currentData().toString();
    o.delimiter = d.isEmpty() ? QChar() : d.at(0);
    return o;
}

void ImportWindow::chooseFile() {
    FileDialogOptions options;
    options.caption = importtext::kWindowTitle;
    options.start = m_shell.programDir();
    options.filter = importtext::kImportFilter;
    const QString path = m_shell.dialogs().openFileName(this, options);
    if (!path.isEmpty())
        loadFile(path);
}

void ImportWindow::loadFile(const QString& path) {
    m_path = path;
    m_file->setText(QFileInfo(path).fileName());
    m_hasHeader->blockSignals(true);
    m_hasHeader->setChecked(false);
    m_hasHeader->blockSignals(false);
    m_header.clear();
    reloadPreview();
    // Guess the header and the columns from the first row.
    if (m_header.isEmpty())
        return;
    bool isHeader = false;
    ColumnMap map = contactfields::guessColumns(m_header, &isHeader);
    if (!m_fixedHeader) {
        m_hasHeader->blockSignals(true);
        m_hasHeader->setChecked(isHeader);
        m_hasHeader->blockSignals(false);
        reloadPreview();
    }
    if (!isHeader) {
        QList<QStringList> rows;
        for (int r = 0; r < m_preview->rowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < m_preview->columnCount(); ++c)
                row << (m_preview->item(r, c) ? m_preview->item(r, c)->text() : QString());
            rows << row;
        }
        map = {};
        map.number = contactfields::guessNumberColumn(rows);
    }
    const int columns[] = {map.name, map.family, map.number, map.birth, map.contract};
    for (int i = 0; i < m_map.size(); ++i)
        m_map[i]->setCurrentIndex(columns[i] + 1);
}

void ImportWindow::reloadPreview() {
    m_preview->clear();
    m_preview->setRowCount(0);
    m_preview->setColumnCount(0);
    if (m_path.isEmpty())
        return;
    QString error;
    auto reader = contactreader::open(m_path, readerOptions(), &error);
    QList<QStringList> rows;
    QStringList cells;
    if (reader) {
        while (rows.size() < kPreviewRows + 1 && reader->next(&cells))
            rows << cells;
        if (!reader->error().isEmpty())
            error = reader->error();
    }
    m_reportText->setPlainText(error);
    m_fixedHeader = reader && !reader->fixedHeader().isEmpty();
    m_hasHeader->setEnabled(!m_fixedHeader);
    if (m_fixedHeader)
        m_header = reader->fixedHeader();
    else
        m_header = rows.value(0);
    if (!m_fixedHeader && m_hasHeader->isChecked() && !rows.isEmpty())
        rows.removeFirst();
    int columns = int(m_header.size());
    for (const QStringList& r : std::as_const(rows))
        columns = qMax(columns, int(r.size()));
    QStringList headings;
    for (int c = 0; c < columns; ++c) {
        const bool labelled = m_fixedHeader || m_hasHeader->isChecked();
        headings << (labelled && c < m_header.size() && !m_header.at(c).isEmpty()
                         ? m_header.at(c)
                         : importtext::kColumn + QLatin1Char(' ') + QString::number(c + 1));
    }
    m_preview->setColumnCount(columns);
    m_preview->setHorizontalHeaderLabels(headings);
    m_preview->setRowCount(int(qMin<qsizetype>(rows.size(), kPreviewRows)));
    for (int r = 0; r < m_preview->rowCount(); ++r) {
        for (int c = 0; c < rows.at(r).size(); ++c)
            m_preview->setItem(r, c, new QTableWidgetItem(rows.at(r).at(c)));
    }
    for (QComboBox* m : std::as_const(m_map)) {
        const int keep = m->currentIndex();
        m->clear();
        m->addItem(importtext::kNoColumn, -1);
        for (int c = 0; c < columns; ++c)
            m->addItem(headings.at(c), c);
        m->setCurrentIndex(keep >= 0 && keep <= columns ? keep : 0);
    }
}

ColumnMap ImportWindow::chosenMap() const {
    auto at = [this](int i) { return m_map.at(i)->currentData().toInt(); };
    return {at(0), at(1), at(2), at(3), at(4)};
}

void ImportWindow::setBusy(bool busy) {
    m_start->setEnabled(!busy);
    m_cancelButton->setEnabled(busy);
    m_saveRefused->setEnabled(!busy && !m_report.refusedRows.isEmpty());
}

void ImportWindow::startImport() {
    using namespace importtext;
    if (m_path.isEmpty()) {
        m_shell.messages().showMessage(kNoFile);
        return;
    }
    ImportOptions options;
    options.map = chosenMap();
    if (options.map.number < 0) {
        m_shell.messages().showMessage(kChooseNumberColumn);
        return;
    }
    const bool intoNew = m_intoNew->isChecked();
    const QString gcode = intoNew ? QString() : m_group->chosenGcode();
    if ((intoNew && m_newGroup->text().isEmpty()) || (!intoNew && gcode.isEmpty())) {
        m_shell.messages().showMessage(kChooseTarget);
        return;
    }
    options.firstRowIsHeader = !m_fixedHeader && m_hasHeader->isChecked();
    options.duplicates = static_cast<Duplicates>(m_duplicates->currentData().toInt());
    QString error;
    auto reader = contactreader::open(m_path, readerOptions(), &error);
    if (!reader) {
        m_shell.messages().showMessage(error);
        return;
    }
    m_cancel = false;
    m_report = {};
    setBusy(true);
    m_progress->setValue(0);
    // The import runs inside this click, as every long task does; the bar
    // and the cancel button are served between rows.
    auto progress = [this](double share) {
        m_progress->setValue(int(share * 1000));
        QCoreApplication::processEvents();
        return !m_cancel;
    };
    ContactImport import(m_shell.database(), options);
    m_report = intoNew ? import.intoNewGroup(*reader, m_newGroup->text(), progress)
                       : import.intoGroup(*reader, gcode, progress);
    setBusy(false);
    m_progress->setValue(m_report.changedNothing() ? 0 : 1000);
    m_reportText->setPlainText(m_report.text());
    if (intoNew && !m_report.changedNothing()) {
        m_group->choose(m_newGroup->text());
        m_intoGroup->setChecked(true);
    }
}

void ImportWindow::cancelImport() {
    m_cancel = true;
}

void ImportWindow::saveRefused() {
    FileDialogOptions options;
    options.caption = importtext::kSaveRefused;
    options.start = m_shell.programDir();
    options.filter = importtext::kRefusedFilter;
    options.defaultSuffix = QStringLiteral("csv");
    const QString path = m_shell.dialogs().saveFileName(this, options);
    if (path.isEmpty())
        return;
    QString error;
    if (!m_report.saveRefused(path, &error))
        m_shell.messages().showMessage(importtext::kExportFailed);
}
