#pragma once

#include <QColor>
#include <QString>

class QWidget;

// An open or save dialog: a filter in the program's own form, name and
// pattern pairs joined by "|" ("Text Files|*.txt"), or in the toolkit's
// ("Text files (*.txt)"), and the suffix added to a name typed without one.
struct FileDialogOptions {
    QString caption;
    QString start;
    QString filter;
    QString defaultSuffix;
};

// Every file, folder and colour dialog goes through here, so tests can
// script the choice. An empty string (or an invalid colour) means cancelled.
class DialogService {
public:
    virtual ~DialogService() = default;

    virtual QString existingDirectory(QWidget* parent, const QString& caption,
                                      const QString& start) = 0;
    virtual QString openFileName(QWidget* parent, const FileDialogOptions& options) = 0;
    virtual QString saveFileName(QWidget* parent, const FileDialogOptions& options) = 0;
    virtual QColor color(QWidget* parent, const QColor& initial) = 0;

    static DialogService& instance();
    // Replaces the service (nullptr restores the default). Not owned.
    static void setInstance(DialogService* service);
};

class WidgetDialogService : public DialogService {
public:
    QString existingDirectory(QWidget* parent, const QString& caption,
                              const QString& start) override;
    QString openFileName(QWidget* parent, const FileDialogOptions& options) override;
    QString saveFileName(QWidget* parent, const FileDialogOptions& options) override;
    QColor color(QWidget* parent, const QColor& initial) override;
};
