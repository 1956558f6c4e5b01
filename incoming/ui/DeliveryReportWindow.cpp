#include "incoming/ui/DeliveryReportWindow.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "incoming/IncomingTexts.h"
#include "shell/ui/ShellContext.h"
#include "shell/TextFile.h"
#include "shell/ui/WidgetNames.h"

namespace {
QLabel* note(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    l->setPalette(p);
    return l;
}
} // namespace

DeliveryReportWindow::DeliveryReportWindow(ShellContext& shell, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_shell(shell) {
    using namespace incomingtext;
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(kCaption);
    setLayoutDirection(Qt::RightToLeft);
    setFixedSize(528, 495);

    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(kReportIntro1 + QLatin1Char('\n') + kReportIntro2, this);
    intro->setObjectName(QStringLiteral("lblIntro"));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    layout->addWidget(named(note(kReportNote1, this), "lblNote1"));
    layout->addWidget(named(note(kReportNote2, this), "lblNote2"));

    auto* buttons = new QHBoxLayout;
    auto* view = named(new QPushButton(kViewList, this), "btnViewList");
    auto* save = named(new QPushButton(kSaveList, this), "btnSaveList");
    auto* remove = named(new QPushButton(kDeleteList, this), "btnDeleteList");
    buttons->addWidget(view);
    buttons->addWidget(save);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    // Lines of Latin captions and numbers: read left to right.
    m_Memo1 = named(new QPlainTextEdit(this), "Memo1");
    m_Memo1->setReadOnly(true);
    m_Memo1->setLayoutDirection(Qt::LeftToRight);
    m_Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(m_Memo1, 1);

    connect(view, &QPushButton::clicked, this, &DeliveryReportWindow::viewList);
    connect(save, &QPushButton::clicked, this, &DeliveryReportWindow::saveListAs);
    connect(remove, &QPushButton::clicked, this, &DeliveryReportWindow::deleteList);
}

QString DeliveryReportWindow::deliverPath() const {
    return m_shell.programDir() + incomingtext::kDeliverFile;
}

void DeliveryReportWindow::appendLine(const QString& line) {
    m_Memo1->appendPlainText(line);
}

void DeliveryReportWindow::clearList() {
    m_Memo1->clear();
}

QString DeliveryReportWindow::listText() const {
    return m_Memo1->toPlainText();
}

bool DeliveryReportWindow::saveList(QString* error) {
    if (listText().trimmed().isEmpty())
        return true;
    return textfile::writeLines(deliverPath(), listText(), error);
}

void DeliveryReportWindow::showEvent(QShowEvent* event) {
    if (QWidget* main = m_shell.mainWindow())
        move(main->frameGeometry().center() - rect().center());
    QDialog::showEvent(event);
    // A list that could not be written stays in view, to be saved another way.
    QString error;
    if (saveList(&error))
        clearList();
    else
        m_shell.messages().showError(error);
}

void DeliveryReportWindow::viewList() {
    QString text;
    if (!QFile::exists(deliverPath()) || !textfile::readLines(deliverPath(), &text)) {
        m_shell.messages().showMessage(incomingtext::kNoList);
        return;
    }
    m_Memo1->setPlainText(text);
}

void DeliveryReportWindow::saveListAs() {
    const QString path = m_shell.dialogs().saveFileName(
        this, {QString(), QString(), incomingtext::kTextFilter, QStringLiteral("txt")});
    if (!path.isEmpty()) {
        QString error;
        if (!textfile::writeLines(path, listText(), &error))
            m_shell.messages().showError(error);
    }
    // The databases are named without a folder.
    QDir::setCurrent(m_shell.programDir());
}

void DeliveryReportWindow::deleteList() {
    // A file that stays would come back at the next viewing: the list
    // stays in view with it.
    if (QFile::exists(deliverPath()) && !QFile::remove(deliverPath())) {
        m_shell.messages().showMessage(incomingtext::kListNotDeleted);
        return;
    }
    clearList();
    m_shell.messages().showMessage(incomingtext::kDone);
}
