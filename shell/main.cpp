#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "shell/ProgramWindows.h"
#include "shell/ShellTexts.h"
#include "shell/TFormMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(shelltext::kAppTitle);
    QApplication::setApplicationDisplayName(shelltext::kAppTitle);
    QApplication::setLayoutDirection(Qt::RightToLeft);
    QFont font(QStringLiteral("Noto Sans Arabic UI"));
    QApplication::setFont(font);
    // Qt's own dialog buttons in Persian; dates keep the desktop's locale.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Persian, QLocale::Iran), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTexts);

    ProgramWindows windows;
    windows.FormMain->show();
    return app.exec();
}
