#include "device/ConnectionPages.h"

#include "shell/TFormMain.h"

ConnectionPages::ConnectionPages(TFormMain& main) : QObject(&main), m_main(main) {}
