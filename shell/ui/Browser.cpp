#include "shell/ui/Browser.h"

#include <QLibrary>
#include <QWidget>

#include <unistd.h>

namespace {
Browser::Factory& factory() {
    static Browser::Factory f;
    return f;
}

class EmptyBrowser : public Browser {
public:
    explicit EmptyBrowser(QWidget* parent) : m_view(new QWidget(parent)) {}
    QWidget* widget() override { return m_view; }
    void navigate(const QString&) override {}
    void stop() override {}
    void reload() override {}

private:
    QWidget* m_view;
};
} // namespace

std::unique_ptr<Browser> Browser::create(QWidget* parent) {
    if (factory())
        return factory()(parent);
    return std::make_unique<EmptyBrowser>(parent);
}

void Browser::setFactory(Factory f) {
    factory() = std::move(f);
}

void Browser::installEngine(const QString& moduleDir) {
    // The engine's renderer sandbox refuses to start for root and takes the
    // program down with it; a program started as root (a container, a
    // kiosk) browses unsandboxed instead. Read when the engine starts.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    setFactory([moduleDir](QWidget* parent) -> std::unique_ptr<Browser> {
        using Create = Browser* (*)(QWidget*);
        QLibrary module(moduleDir + QStringLiteral("/tavrik-web"));
        // Kept loaded: the browser's code lives there.
        module.setLoadHints(QLibrary::PreventUnloadHint);
        if (auto create = reinterpret_cast<Create>(module.resolve("tavrikCreateBrowser")))
            return std::unique_ptr<Browser>(create(parent));
        qWarning("web page without a browser: %s", qUtf8Printable(module.errorString()));
        return std::make_unique<EmptyBrowser>(parent);
    });
}
