#pragma once

#include <QObject>

#include <functional>
#include <vector>

#include "sending/SendForm.h"
#include "shell/Hook.h"

class DateFilterWindow;
class GroupPicker;
class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QToolButton;
class QWidget;
class ShellContext;
class TextTools;

// The send page (page 7): the composer with its coding indicator and text
// tools, the send options, the recipient modes with their inputs, the
// date-filter box and the send button. What a run reads of it, it reads
// through SendForm.
class SendPage : public QObject, public SendForm {
    Q_OBJECT
public:
    SendPage(ShellContext& shell, DateFilterWindow& form7);
    ~SendPage() override;

    // SendForm
    QString composerText() const override;
    void setComposerText(const QString& text) override;
    bool requestReport() const override;
    bool errorControl() const override;
    int errorTolerance() const override;
    bool optOutFooter() const override;
    RecipientMode recipientMode() const override;
    void selectMode(RecipientMode mode) override;
    QString numberText() const override;
    QString groupText() const override;
    QString chosenGcode() const override;
    void openGroupPicker() override;
    QString rangeFirstText() const override;
    QString rangeLastText() const override;
    DateFilterChoice dateFilter() const override;
    void setSendHandler(std::function<void()> handler) override;

    // The page's own handlers.
    void recount();
    void flashClicked();
    void insertPlaceholder();
    void reportClicked(bool checked);
    void clearClicked();
    void dateFilterClicked(bool checked);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build(QWidget* page);
    QWidget* buildComposer(QWidget* page);
    QWidget* buildRecipients(QWidget* page);
    QWidget* buildDateFilter(QWidget* page);
    QWidget* buildOptions(QWidget* page);
    void fillHooks();
    void modeChanged();
    bool numberKey(QLineEdit* box, const QKeyEvent* key);
    QRadioButton* modeButton(RecipientMode mode) const;

    ShellContext& m_shell;
    DateFilterWindow& m_form7;
    std::function<void()> m_sendHandler;
    std::vector<HookFill> m_fills;

    QPlainTextEdit* m_tmSMSText = nullptr;
    QLabel* m_tlSMSCoding = nullptr;
    QToolButton* m_btnInsertName = nullptr;
    TextTools* m_tools = nullptr;

    QRadioButton* m_cbFlashSMS = nullptr;
    QRadioButton* m_RadioButton4 = nullptr;
    QCheckBox* m_cbRequestReport = nullptr;
    QCheckBox* m_CheckBox7 = nullptr;
    QCheckBox* m_cbOptOutFooter = nullptr;
    QSlider* m_TrackBar1 = nullptr;

    QRadioButton* m_RadioButton1 = nullptr;
    QRadioButton* m_RadioButton2 = nullptr;
    QRadioButton* m_RadioButton3 = nullptr;
    QRadioButton* m_RadioButton5 = nullptr;
    QLineEdit* m_teSMSNumber = nullptr;
    GroupPicker* m_DBLookupComboBox1 = nullptr;
    QLineEdit* m_Edit1 = nullptr;
    QLineEdit* m_Edit2 = nullptr;
    QLineEdit* m_Edit3 = nullptr;
    QPushButton* m_btnClear = nullptr;
    QPushButton* m_btnSend = nullptr;

    QWidget* m_dateFilterBox = nullptr;
    QCheckBox* m_CheckBox6 = nullptr;
    QLabel* m_Label85 = nullptr;
    QRadioButton* m_RadioButton6 = nullptr;
    QRadioButton* m_RadioButton7 = nullptr;
};
