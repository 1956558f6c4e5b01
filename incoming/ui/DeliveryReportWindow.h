#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class ShellContext;

// The delivery report window (Form8). Its text area is the delivery report
// list itself: reports of the latest group run gather there while the
// window is hidden, and every showing moves them into "deliver.txt".
class DeliveryReportWindow : public QDialog {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral(u"گزارش تحویل پیام");

    explicit DeliveryReportWindow(ShellContext& shell, QWidget* parent = nullptr);

    void appendLine(const QString& line);
    void clearList();
    QString listText() const;
    // Writes a list that is not blank to "deliver.txt"; false, with the
    // reason, when the file cannot be written.
    bool saveList(QString* error = nullptr);

    void viewList();
    void saveListAs();
    void deleteList();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString deliverPath() const;

    ShellContext& m_shell;
    QPlainTextEdit* m_Memo1 = nullptr;
};
