#include "shell/ProgramWindows.h"

#include "shell/PleaseWaitWindow.h"
#include "shell/SearchWindow.h"
#include "shell/ShellTexts.h"
#include "shell/SplashWindow.h"
#include "shell/TFormMain.h"
#include "store/CreditCalculatorWindow.h"

namespace {
// A window whose subsystem has not given it contents yet.
QDialog* plainWindow(const QString& name, const QString& caption, const QSize& size) {
    auto* w = new QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    w->setObjectName(name);
    w->setWindowTitle(caption);
    w->setLayoutDirection(Qt::RightToLeft);
    w->resize(size);
    return w;
}
} // namespace

ProgramWindows::ProgramWindows() {
    using namespace shelltext;
    FormMain = new TFormMain;
    FormMain->setWindows(this);
    FormUSSD = plainWindow(QStringLiteral("FormUSSD"), kUssdCaption, {400, 220});
    Form1 = plainWindow(QStringLiteral("Form1"), kSendingCaption, {420, 260});
    Form2 = new SearchWindow;
    Form3 = new SplashWindow;
    Form4 = new PleaseWaitWindow;
    Form5 = plainWindow(QStringLiteral("Form5"), QStringLiteral("UPDATE"), {372, 243});
    Form6 = plainWindow(QStringLiteral("Form6"), QString(), {320, 140});
    Form7 = plainWindow(QStringLiteral("Form7"), kDateFilterCaption, {360, 240});
    Form8 = plainWindow(QStringLiteral("Form8"), kDeliveryCaption, {480, 360});
    Form9 = new CreditCalculatorWindow(FormMain->context());
    QObject::connect(Form2, &SearchWindow::cancelled, FormMain,
                     [main = FormMain] { main->searchFlag = false; });
}

ProgramWindows::~ProgramWindows() {
    const auto windows = all();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        delete *it;
}

QList<QWidget*> ProgramWindows::all() const {
    return {FormMain, FormUSSD, Form1, Form2, Form3, Form4, Form5, Form6, Form7, Form8, Form9};
}
