#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;

// The window that shows the network's USSD answers (FormUSSD).
class TFormUSSD : public QDialog {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral(u"Answer ...");

    explicit TFormUSSD(QWidget* parent = nullptr);

    void setAnswer(const QString& text);
    QString answer() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The answer as the network sent it; the box shows its codes isolated.
    QString m_answer;
    QPlainTextEdit* m_Memo1 = nullptr;
    QPushButton* m_btnOK = nullptr;
};
