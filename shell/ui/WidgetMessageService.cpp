#include "shell/ui/WidgetMessageService.h"

#include <QApplication>
#include <QMessageBox>

#include "shell/Bidi.h"

namespace {
// The messages break their lines with CR alone, which a label does not
// show as a break; the stored texts stay as they are.
QString displayText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    // Numbers, codes and times read left to right inside the Persian lines.
    return bidi::setApart(text);
}

// The box belongs to the window the operator is looking at. During a send
// run that is the progress window, which stays on top with the main window
// hidden: a box without an owner could open beneath it, out of reach.
QWidget* owner() {
    if (QWidget* active = QApplication::activeWindow())
        return active;
    QWidget* visible = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip)
            continue;
        if (w->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            return w;
        if (!visible)
            visible = w;
    }
    return visible;
}

QMessageBox::StandardButton run(QMessageBox::Icon icon, const QString& text,
                                QMessageBox::StandardButtons buttons,
                                const QString& caption = QApplication::applicationName(),
                                QWidget* parent = owner()) {
    QMessageBox box(icon, caption, displayText(text), buttons, parent);
    box.setLayoutDirection(Qt::RightToLeft);
    if (!parent)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
} // namespace

void WidgetMessageService::installAsDefault() {
    static WidgetMessageService boxes;
    MessageService::setDefault(&boxes);
}

void WidgetMessageService::showMessage(const QString& text) {
    run(QMessageBox::NoIcon, text, QMessageBox::Ok);
}

bool WidgetMessageService::ask(const QString& text) {
    return run(QMessageBox::NoIcon, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

void WidgetMessageService::showError(const QString& text) {
    run(QMessageBox::Critical, text, QMessageBox::Ok);
}

MessageButton WidgetMessageService::messageDlgTitle(const QString& caption, const QString& text,
                                                    MessageButtons buttons) {
    // Centred on the screen rather than on a window, and above every window
    // of the program.
    const auto toolkit = QMessageBox::StandardButtons::fromInt(buttons.toInt());
    return static_cast<MessageButton>(run(QMessageBox::NoIcon, text, toolkit, caption, nullptr));
}
