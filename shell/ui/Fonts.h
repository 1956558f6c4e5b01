#pragma once

#include <QFont>

namespace fonts {
// The font the windows are laid out for: Persian letters from Noto Sans
// Arabic UI, Latin letters and digits from Noto Sans, its Latin companion
// drawn to the same metrics. Both come from Debian's Noto packages
// (tools/install-deps); DejaVu Sans is the last resort.
QFont program();
} // namespace fonts
