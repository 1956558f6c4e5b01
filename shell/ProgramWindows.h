#pragma once

#include <QDialog>

class TFormMain;
class SearchWindow;
class SplashWindow;
class PleaseWaitWindow;
class CreditCalculatorWindow;

// The eleven windows of the program, created once in a fixed order, the
// main window first, and reused for the whole run.
class ProgramWindows {
public:
    ProgramWindows();
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    TFormMain* FormMain = nullptr;
    QDialog* FormUSSD = nullptr;             // USSD answers
    QDialog* Form1 = nullptr;                // send progress
    SearchWindow* Form2 = nullptr;           // port search
    SplashWindow* Form3 = nullptr;           // splash
    PleaseWaitWindow* Form4 = nullptr;       // please wait
    QDialog* Form5 = nullptr;                // update
    QDialog* Form6 = nullptr;                // password prompt
    QDialog* Form7 = nullptr;                // date filter
    QDialog* Form8 = nullptr;                // delivery reports
    CreditCalculatorWindow* Form9 = nullptr; // credit calculator

    // In creation order.
    QList<QWidget*> all() const;
};
