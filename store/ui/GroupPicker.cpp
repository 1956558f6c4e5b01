#include "store/ui/GroupPicker.h"

#include "store/QueryCursor.h"

namespace {
const QString kName = QStringLiteral("gname");
const QString kCode = QStringLiteral("gcode");
} // namespace

GroupPicker::GroupPicker(QueryCursor& groups, const QString& name, QWidget* parent)
    : QComboBox(parent), m_groups(groups) {
    setObjectName(name);
    setEditable(false);
    setMaxVisibleItems(20);
    connect(&m_groups, &Cursor::opened, this, &GroupPicker::reload);
    connect(&m_groups, &Cursor::closed, this, &GroupPicker::reload);
    connect(&m_groups, &Cursor::rowsChanged, this, &GroupPicker::reload);
    connect(this, &QComboBox::activated, this, [this](int index) {
        m_key = itemText(index);
        m_groups.locate(kName, m_key);
    });
    reload();
}

QString GroupPicker::groupName() const {
    return currentIndex() >= 0 ? currentText() : QString();
}

bool GroupPicker::choose(const QString& gname) {
    const int i = findText(gname, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (i < 0)
        return false;
    setCurrentIndex(i);
    m_key = gname;
    m_groups.locate(kName, gname);
    return true;
}

QString GroupPicker::chosenGcode() const {
    const QString name = groupName();
    if (name.isEmpty() || !m_groups.isActive() || !m_groups.locate(kName, name))
        return {};
    return m_groups.value(kCode).toString();
}

void GroupPicker::reload() {
    const QSignalBlocker block(this);
    clear();
    if (m_groups.isActive()) {
        const int column = m_groups.columnIndex(kName);
        for (int r = 0; r < m_groups.recordCount(); ++r)
            addItem(m_groups.value(r, column).toString());
    }
    // While the list is closed the name is kept, to be shown again when it
    // reopens with the group still in it.
    const int i = m_key.isEmpty() ? -1 : findText(m_key, Qt::MatchExactly | Qt::MatchCaseSensitive);
    setCurrentIndex(i);
    if (i < 0 && m_groups.isActive())
        m_key.clear();
}
