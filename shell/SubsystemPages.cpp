#include "shell/SubsystemPages.h"

#include "device/ConnectionPages.h"
#include "shell/TFormMain.h"
#include "store/BackupPage.h"
#include "store/GroupPages.h"

SubsystemPages::SubsystemPages(TFormMain& main)
    : connection(std::make_unique<ConnectionPages>(main)),
      groups(std::make_unique<GroupPages>(main.context())),
      backup(std::make_unique<BackupPage>(main.context())) {}

SubsystemPages::~SubsystemPages() = default;
