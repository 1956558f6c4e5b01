#pragma once

#include <QDialog>

#include "store/QueryCursor.h"

class ShellContext;
class GroupPicker;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

// The credit calculator (window Form9), opened modally from the SIM charge
// page: price of one part x parts per message x members of a group.
class CreditCalculatorWindow : public QDialog {
    Q_OBJECT
public:
    explicit CreditCalculatorWindow(ShellContext& shell, QWidget* parent = nullptr);

    // The parts count of a coding information text ("parts,limit,coding"):
    // its first one or two characters, as the calculator has always read
    // them; "0" when there is nothing to read.
    static QString partsOf(const QString& codingInfo);
    // price x parts x members without overflow; false when the product does
    // not fit in 64 bits.
    static bool product(qint64 price, qint64 parts, qint64 members, qint64* result);

    void compute();
    void sampleChanged();
    // The cursor the calculation counts the chosen group with.
    QueryCursor& memberCount() { return m_members; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setSampleWhite(bool white);
    // A whole decimal number from a box, or the conversion error shown.
    bool readNumber(QLineEdit* box, qint64* value);

    ShellContext& m_shell;
    QueryCursor m_members;

    QLineEdit* Edit1 = nullptr; // price
    GroupPicker* DBLookupComboBox1 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QLineEdit* Edit2 = nullptr; // parts
    QRadioButton* RadioButton2 = nullptr;
    QLabel* tlSMSCoding = nullptr;
    QPlainTextEdit* tmSMSText = nullptr;
    QPushButton* Button1 = nullptr;
    QLineEdit* Edit3 = nullptr; // result
};
