#include "store/ui/ContactsTransferButtons.h"

#include <QBoxLayout>
#include <QPushButton>

#include "shell/ui/DialogService.h"
#include "shell/MessageService.h"
#include "shell/ui/ShellContext.h"
#include "store/ContactExport.h"
#include "store/ui/GroupPicker.h"
#include "store/ImportTexts.h"
#include "store/ui/ImportWindow.h"
#include "store/ui/OptOutsWindow.h"

ContactsTransferButtons::ContactsTransferButtons(ShellContext& shell, GroupPicker* picker,
                                                 QWidget* page)
    : QObject(page), m_shell(shell), m_picker(picker), m_page(page) {}

ContactsTransferButtons* ContactsTransferButtons::attach(ShellContext& shell, QBoxLayout* row,
                                                         GroupPicker* picker, QWidget* page) {
    auto* self = new ContactsTransferButtons(shell, picker, page);
    auto add = [&](const char* name, const QString& caption,
                   void (ContactsTransferButtons::*slot)()) {
        auto* b = new QPushButton(caption, page);
        b->setObjectName(QString::fromLatin1(name));
        row->addWidget(b);
        connect(b, &QPushButton::clicked, self, slot);
    };
    add("btnImportContacts", importtext::kImportButton, &ContactsTransferButtons::importContacts);
    add("btnExportGroup", importtext::kExportButton, &ContactsTransferButtons::exportGroup);
    add("btnExportAllGroups", importtext::kExportAllButton,
        &ContactsTransferButtons::exportAllGroups);
    add("btnOptOuts", importtext::kOptOutsButton, &ContactsTransferButtons::openOptOuts);
    return self;
}

void ContactsTransferButtons::importContacts() {
    if (!m_window)
        m_window = new ImportWindow(m_shell, m_page->window());
    // Window-modal and not blocking: the import runs from its own button.
    m_window->open();
}

void ContactsTransferButtons::openOptOuts() {
    if (!m_optOuts)
        m_optOuts = new OptOutsWindow(m_shell, m_page->window());
    m_optOuts->reload();
    m_optOuts->open();
}

void ContactsTransferButtons::exportGroup() {
    exportTo(false);
}

void ContactsTransferButtons::exportAllGroups() {
    exportTo(true);
}

void ContactsTransferButtons::exportTo(bool all) {
    using namespace importtext;
    QList<contactexport::Group> groups;
    if (all) {
        groups = contactexport::userGroups();
    } else {
        const QString gcode = m_picker->chosenGcode();
        if (gcode.isEmpty()) {
            m_shell.messages().showMessage(kChooseGroupFirst);
            return;
        }
        groups.append({m_picker->groupName(), gcode});
    }
    FileDialogOptions options;
    options.caption = all ? kExportAllButton : kExportButton;
    options.start = m_shell.programDir();
    options.filter = kExportFilter;
    options.defaultSuffix = QStringLiteral("csv");
    const QString path = m_shell.dialogs().saveFileName(m_page, options);
    if (path.isEmpty())
        return;
    qint64 members = 0;
    QString error;
    if (!contactexport::write(groups, path, contactexport::formatFor(path), all, &members,
                              &error)) {
        m_shell.messages().showMessage(kExportFailed);
        return;
    }
    m_shell.messages().showMessage(kExported + QStringLiteral(": ") + QString::number(members));
}
