#include "store/GroupPages.h"

#include "shell/TFormMain.h"

GroupPages::GroupPages(TFormMain& main) : QObject(&main), m_main(main) {}
