#include "shell/ui/Fonts.h"

#include <QStringList>

namespace fonts {
QFont program() {
    // Built from a family name, so the size is Qt's default for a named
    // font, the size the windows were laid out with.
    QFont f(QStringLiteral("Noto Sans Arabic UI"));
    f.setFamilies({QStringLiteral("Noto Sans Arabic UI"), QStringLiteral("Noto Sans"),
                   QStringLiteral("DejaVu Sans")});
    return f;
}
} // namespace fonts
