#pragma once

#include <QDialog>
#include <QSize>
#include <QString>

// A window of the program created once at start-up and reused: its name,
// its exact caption, its size, right to left. The windows of later
// subsystems start from this and get their contents there.
class PlainWindow : public QDialog {
public:
    PlainWindow(const char* name, const QString& caption, const QSize& size,
                QWidget* parent = nullptr)
        : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
        setObjectName(QString::fromLatin1(name));
        setWindowTitle(caption);
        setLayoutDirection(Qt::RightToLeft);
        resize(size);
    }
};
