#include "shell/ui/WindowCaption.h"

#include <QCoreApplication>
#include <QEvent>
#include <QVariant>
#include <QWidget>
#include <QWindow>

namespace {
class EmptyCaptionFilter : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow() && w->windowTitle().isEmpty() && w->windowHandle())
                w->windowHandle()->setTitle(QString(QChar(0x200B))); // zero width space
        }
        return QObject::eventFilter(watched, event);
    }
};
} // namespace

namespace windowcaption {
void keepExact(QCoreApplication* app) {
    static const char* const kInstalled = "tavrikCaptionsKept";
    if (!app || app->property(kInstalled).toBool())
        return;
    app->setProperty(kInstalled, true);
    app->installEventFilter(new EmptyCaptionFilter(app));
}
} // namespace windowcaption
