#include "shell/DialogService.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>

#include "shell/ProgramDir.h"

namespace {
DialogService* g_service = nullptr;

// The databases are reached by names inside the program directory; a dialog
// may leave the current directory elsewhere, so it is set back every time.
struct RestoreCurrentDir {
    ~RestoreCurrentDir() { QDir::setCurrent(ProgramDir::path()); }
};
} // namespace

DialogService& DialogService::instance() {
    static WidgetDialogService fallback;
    return g_service ? *g_service : fallback;
}

void DialogService::setInstance(DialogService* service) {
    g_service = service;
}

QString WidgetDialogService::existingDirectory(QWidget* parent, const QString& caption,
                                               const QString& start) {
    RestoreCurrentDir restore;
    return QFileDialog::getExistingDirectory(parent, caption, start);
}

QString WidgetDialogService::openFileName(QWidget* parent, const QString& caption,
                                          const QString& start, const QString& filter) {
    RestoreCurrentDir restore;
    return QFileDialog::getOpenFileName(parent, caption, start, filter);
}

QString WidgetDialogService::saveFileName(QWidget* parent, const QString& caption,
                                          const QString& start, const QString& filter) {
    RestoreCurrentDir restore;
    return QFileDialog::getSaveFileName(parent, caption, start, filter);
}

QColor WidgetDialogService::color(QWidget* parent, const QColor& initial) {
    return QColorDialog::getColor(initial, parent);
}
