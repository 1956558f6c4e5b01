#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "shell/Browser.h"
#include "shell/Fonts.h"
#include "shell/ProgramRoot.h"
#include "shell/ShellTexts.h"

int main(int argc, char** argv) {
    // The web engine, loaded later, shares its GL contexts with the
    // application's; this can only be said before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // The application name, not a display name: the platform would append a
    // display name to every caption.
    QApplication::setApplicationName(shelltext::kAppTitle);
    QApplication::setLayoutDirection(Qt::RightToLeft);
    QApplication::setFont(fonts::program());
    // Qt's own dialog buttons in Persian; dates keep the desktop's locale.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Persian, QLocale::Iran), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTexts);

    Browser::installEngine(QCoreApplication::applicationDirPath());
    ProgramRoot program;
    return program.exec();
}
