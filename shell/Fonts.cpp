#include "shell/Fonts.h"

#include <QStringList>

namespace fonts {
QFont program() {
    QFont f;
    f.setFamilies({QStringLiteral("Noto Sans Arabic UI"), QStringLiteral("Noto Sans"),
                   QStringLiteral("DejaVu Sans")});
    return f;
}
} // namespace fonts
