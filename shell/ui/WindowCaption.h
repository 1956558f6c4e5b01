#pragma once

class QCoreApplication;

namespace windowcaption {
// Keeps every window's caption exactly as the program set it. The platform
// shows a window without a caption under the program's name; such windows
// get an invisible caption of their own when shown instead, while their
// windowTitle() stays empty. Installed once per application.
void keepExact(QCoreApplication* app);
} // namespace windowcaption
