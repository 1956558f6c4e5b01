#include "shell/ui/DialogService.h"

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

namespace {
// "Text Files|*.txt|All|*.*" in the toolkit's form.
QString toolkitFilter(const QString& filter) {
    if (!filter.contains(u'|'))
        return filter;
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << parts.at(i) + QStringLiteral(" (") + parts.at(i + 1) + u')';
    return filters.join(QStringLiteral(";;"));
}

QString runFileDialog(QWidget* parent, const FileDialogOptions& options,
                      QFileDialog::AcceptMode mode) {
    RestoreCurrentDir restore;
    QFileDialog dialog(parent, options.caption, options.start, toolkitFilter(options.filter));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(options.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}
} // namespace

QString WidgetDialogService::openFileName(QWidget* parent, const FileDialogOptions& options) {
    return runFileDialog(parent, options, QFileDialog::AcceptOpen);
}

QString WidgetDialogService::saveFileName(QWidget* parent, const FileDialogOptions& options) {
    return runFileDialog(parent, options, QFileDialog::AcceptSave);
}

QColor WidgetDialogService::color(QWidget* parent, const QColor& initial) {
    return QColorDialog::getColor(initial, parent);
}
