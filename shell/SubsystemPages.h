#pragma once

#include <memory>

class TFormMain;
class ConnectionPages;
class GroupPages;
class BackupPage;

// The subsystems' pages of the main window, each built into its page slots
// and wired to the main window's hooks.
class SubsystemPages {
public:
    explicit SubsystemPages(TFormMain& main);
    ~SubsystemPages();

    std::unique_ptr<ConnectionPages> connection; // pages 1, 2 and the status strip
    std::unique_ptr<GroupPages> groups;          // pages 5, 6
    std::unique_ptr<BackupPage> backup;          // page 9
};
