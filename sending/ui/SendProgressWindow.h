#pragma once

#include "sending/ProgressView.h"
#include "shell/ui/PlainWindow.h"

class ClockTimer;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;
class SendForm;
class ShellContext;

// Shown for the length of a send run in place of the main window. It
// cannot be closed until the run has finished; the close logs the run.
class SendProgressWindow : public PlainWindow, public ProgressView {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral(u"Sending ...");
    static constexpr int kFrames = 5;
    explicit SendProgressWindow(QWidget* parent = nullptr);
    ~SendProgressWindow() override;

    // Where the close takes the log row's values from and which window it
    // stands in for; until attached a close only hides the window.
    void attach(ShellContext* shell, SendForm* form);

    RunFlags& runFlags() override { return m_flags; }
    void setGaugeMaximum(int maximum) override;
    void setGaugeProgress(int progress) override;
    void setTitle(const QString& title) override;
    void setSentCount(const QString& count) override;
    QString sentCount() const override;
    void setContactCount(const QString& count) override;
    QString contactCount() const override;
    void showProgress() override;
    void setRunCounts(const QString& text) override;
    void setOptedOutCount(const QString& text) override;
    void setLinkStates(const QString& text) override;
    void setPauseNote(const QString& text) override;
    void closeProgress() override;

    // The target column of the log row for the send page's mode, untrimmed:
    // the log applies its own cut.
    static QString targetText(const SendForm& form);

    void reject() override;
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void animate();
    void cancelClicked();
    void closeProgramClicked();
    void resetView();
    void fitExtras();
    void writeLogRow();

    RunFlags m_flags;
    ShellContext* m_shell = nullptr;
    SendForm* m_form = nullptr;

    QLabel* m_backdrop = nullptr;
    QLabel* m_images[kFrames] = {};
    QLabel* m_nam = nullptr;
    QLabel* m_ted = nullptr;
    QLabel* m_tek = nullptr;
    QLabel* m_runCounts = nullptr;
    QLabel* m_optedOut = nullptr;
    QLabel* m_pauseNote = nullptr;
    QLabel* m_links = nullptr;
    QProgressBar* m_Gauge2 = nullptr;
    QPushButton* m_cancel = nullptr;
    QToolButton* m_closeProgramButton = nullptr;
    QLineEdit* m_focusHolder = nullptr;
    ClockTimer* m_animation = nullptr;
};
