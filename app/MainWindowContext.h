#pragma once

#include "shell/ui/ShellContext.h"

class Gateway;
class ModemPool;
class TFormMain;

// The shell context as the main window provides it.
class MainWindowContext : public ShellContext {
public:
    explicit MainWindowContext(TFormMain& main) : m_main(main) {}

    Database& database() override;
    KylixSMS& sms() override;
    ModemSource* modemSource() override;
    KylixSMS& deviceSms() override;
    bool deviceConnected() const override;
    // The pool the composition root made; none until then.
    void setPool(ModemPool* pool) { m_pool = pool; }
    std::unique_ptr<Link> gatewayLink() override;
    void setGateway(Gateway* gateway) { m_gateway = gateway; }
    QString programDir() const override;
    QWidget* page(Page page) const override;
    Page currentPage() const override;
    void selectPage(Page page) override;
    void pageEntry() override;
    PersianDate today() const override;
    QString statusTime() const override;
    bool isConnected() const override;
    ShellHooks& hooks() override;
    StatusStrip& statusStrip() override;
    void showStatusNote(const QString& text) override;
    void setNavigationEnabled(bool enabled) override;
    bool isNavigationEnabled() const override;
    SearchWindow& searchWindow() override;
    void showPleaseWait() override;
    void closePleaseWait() override;
    ClockTimer& timer(ShellTimer timer) override;
    QWidget* mainWindow() override;
    void closeMainWindow() override;
    void setNewMessageNotice(bool shown) override;

private:
    TFormMain& m_main;
    ModemPool* m_pool = nullptr;
    Gateway* m_gateway = nullptr;
};
