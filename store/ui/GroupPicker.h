#pragma once

#include <QComboBox>

class QueryCursor;

// A picker over the group list: shows every gname of the list and keys on
// it. The chosen name survives a close and reopen of the list as long as
// the group is still there; a deleted group leaves the picker empty.
class GroupPicker : public QComboBox {
    Q_OBJECT
public:
    GroupPicker(QueryCursor& groups, const QString& name, QWidget* parent);

    // The name shown, empty when none is chosen.
    QString groupName() const;
    // Chooses a group by name; false when the list has no such group.
    bool choose(const QString& gname);
    // Makes the shown group the current row of the group list and gives its
    // gcode; empty when the picker shows no name or the group is gone.
    QString chosenGcode() const;

private:
    void reload();

    QueryCursor& m_groups;
    QString m_key;
};
