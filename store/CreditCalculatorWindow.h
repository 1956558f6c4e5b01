#pragma once

#include <QDialog>

class TFormMain;

// The credit calculator (window Form9), opened modally from the SIM charge
// page.
class CreditCalculatorWindow : public QDialog {
    Q_OBJECT
public:
    explicit CreditCalculatorWindow(TFormMain& main, QWidget* parent = nullptr);

private:
    TFormMain& m_main;
};
