#include "store/BackupPage.h"

#include "shell/TFormMain.h"

BackupPage::BackupPage(TFormMain& main) : QObject(&main), m_main(main) {}
