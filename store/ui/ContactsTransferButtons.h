#pragma once

#include <QObject>

class GroupPicker;
class ImportWindow;
class QBoxLayout;
class QWidget;
class ShellContext;

// The import and export buttons of the members-editing page: import opens
// the import window, export writes the group chosen in the page's picker,
// or every group, to a file the operator names; the opt-out list opens its
// window.
class ContactsTransferButtons : public QObject {
    Q_OBJECT
public:
    // Adds the buttons btnImportContacts, btnExportGroup,
    // btnExportAllGroups and btnOptOuts to the row.
    static ContactsTransferButtons* attach(ShellContext& shell, QBoxLayout* row,
                                           GroupPicker* picker, QWidget* page);

    void importContacts();
    void exportGroup();
    void exportAllGroups();
    void openOptOuts();
    ImportWindow* importWindow() const { return m_window; }

private:
    ContactsTransferButtons(ShellContext& shell, GroupPicker* picker, QWidget* page);
    void exportTo(bool all);

    ShellContext& m_shell;
    GroupPicker* m_picker;
    QWidget* m_page;
    ImportWindow* m_window = nullptr;
    class OptOutsWindow* m_optOuts = nullptr;
};
