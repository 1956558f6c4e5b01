#pragma once

#include <QObject>

struct ModemEntry;
class ModemPool;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimeEdit;
class ShellContext;

// The modems page (17): the list with each modem's live state, adding,
// changing, removing, connecting and disconnecting a modem, the modem USSD
// and the device pages act on, and the sending hours of every run.
class ModemsPage : public QObject {
    Q_OBJECT
public:
    ModemsPage(ShellContext& shell, ModemPool& pool, QObject* parent = nullptr);

    // The entry as the fields give it; withPort also its port, speed, mode
    // and driver.
    void readFields(ModemEntry& e, bool withPort) const;
    void addModem();
    void updateModem();
    void removeModem();
    void connectModem();
    void disconnectModem();
    void findModems();
    void saveHours();
    // Shows the list and the states afresh.
    void showPool();

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void build(QWidget* page);
    void rowChosen(int row);
    int chosenRow() const;
    void tell(const QString& refusal);

    ShellContext& m_shell;
    ModemPool& m_pool;

    QTableWidget* m_tblModems = nullptr;
    QLineEdit* m_tePort = nullptr;
    QLineEdit* m_teSpeed = nullptr;
    QComboBox* m_cmbMode = nullptr;
    QComboBox* m_cmbDriver = nullptr;
    QLineEdit* m_teLabel = nullptr;
    QSpinBox* m_sbLimit = nullptr;
    QCheckBox* m_cbEnabled = nullptr;
    QPushButton* m_btnAdd = nullptr;
    QPushButton* m_btnUpdate = nullptr;
    QPushButton* m_btnRemove = nullptr;
    QPushButton* m_btnConnect = nullptr;
    QPushButton* m_btnDisconnect = nullptr;
    QPushButton* m_btnFind = nullptr;
    QComboBox* m_cmbChosen = nullptr;
    QCheckBox* m_cbHours = nullptr;
    QTimeEdit* m_teFrom = nullptr;
    QTimeEdit* m_teTo = nullptr;
    QPushButton* m_btnSaveHours = nullptr;
};
