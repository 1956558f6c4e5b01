#pragma once

#include <QString>

#include "shell/ui/PlainWindow.h"

class QKeyEvent;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

// Picks the birth or contract month and day a send run is limited to.
class DateFilterWindow : public PlainWindow {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral(u"اعمال فیلتر تاریخ");
    explicit DateFilterWindow(QWidget* parent = nullptr);

    // Opens the window modally, empty and on the birth row, centred on the
    // anchor; true when the operator confirmed a valid month and day.
    bool open(QWidget* anchor);

    bool accepted() const { return m_accepted; }
    bool birthSelected() const;
    // The boxes of one row as typed: two digits each once confirmed.
    QString month(bool birth) const;
    QString day(bool birth) const;

    void selectRow(bool birth);
    void confirm();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row {
        QRadioButton* radio = nullptr;
        QLineEdit* day = nullptr;
        QLineEdit* month = nullptr;
        QLineEdit* year = nullptr;
    };
    QWidget* buildRow(Row& row, bool birth);
    bool boxKey(QLineEdit* box, const QKeyEvent* key);
    QWidget* nextAfter(const QLineEdit* box) const;
    bool isDateBox(const QObject* object) const;
    bool isYearBox(const QObject* object) const;
    void clearBoxes();

    bool m_accepted = false;
    Row m_birth;
    Row m_contract;
    QPushButton* m_confirm = nullptr;
};
