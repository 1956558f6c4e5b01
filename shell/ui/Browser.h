#pragma once

#include <QString>

#include <functional>
#include <memory>

class QWidget;

// The embedded browser of the web page, as the page uses it. The program
// installs the real engine at start; tests install a recording one, so no
// test ever starts a web engine, which needs a GPU process and a network.
class Browser {
public:
    virtual ~Browser() = default;
    // The view, owned by the parent it was created with.
    virtual QWidget* widget() = 0;
    virtual void navigate(const QString& address) = 0;
    // Cancels any loading.
    virtual void stop() = 0;
    virtual void reload() = 0;

    using Factory = std::function<std::unique_ptr<Browser>(QWidget* parent)>;
    // Without a factory the page gets an empty view that goes nowhere.
    static std::unique_ptr<Browser> create(QWidget* parent);
    // nullptr restores the empty view.
    static void setFactory(Factory factory);
    // Makes the web engine module in the folder given the factory. The
    // module is loaded when the first browser is made; a module that cannot
    // be loaded leaves the page with the empty view.
    static void installEngine(const QString& moduleDir);
};
