#include "store/CreditCalculatorWindow.h"

#include "shell/ShellTexts.h"
#include "shell/TFormMain.h"

CreditCalculatorWindow::CreditCalculatorWindow(TFormMain& main, QWidget* parent)
    : QDialog(parent), m_main(main) {
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(shelltext::kCalculatorCaption);
    setLayoutDirection(Qt::RightToLeft);
}
