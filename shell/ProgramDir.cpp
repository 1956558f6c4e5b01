#include "shell/ProgramDir.h"

#include <QCoreApplication>

namespace {
QString g_override;

QString withSlash(QString dir) {
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}
} // namespace

QString ProgramDir::path() {
    if (!g_override.isEmpty())
        return g_override;
    return withSlash(QCoreApplication::applicationDirPath());
}

void ProgramDir::setOverride(const QString& dir) {
    g_override = dir.isEmpty() ? QString() : withSlash(dir);
}
