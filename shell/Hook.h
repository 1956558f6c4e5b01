#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <utility>

// Held by the subsystem that filled a hook: while it lives the hook calls the
// filler, and when the filler goes the hook is empty again, so the shell
// never calls into a subsystem that no longer exists.
class [[nodiscard]] HookFill {
public:
    HookFill() = default;
    explicit HookFill(std::function<void()> clear) : m_clear(std::move(clear)) {}
    HookFill(HookFill&& other) noexcept : m_clear(std::exchange(other.m_clear, nullptr)) {}
    HookFill& operator=(HookFill&& other) noexcept {
        if (this != &other) {
            release();
            m_clear = std::exchange(other.m_clear, nullptr);
        }
        return *this;
    }
    HookFill(const HookFill&) = delete;
    HookFill& operator=(const HookFill&) = delete;
    ~HookFill() { release(); }

    void release() {
        if (auto clear = std::exchange(m_clear, nullptr))
            clear();
    }

private:
    std::function<void()> m_clear;
};

class HookBase {
public:
    explicit HookBase(const char* name) : m_name(QString::fromLatin1(name)) {}
    virtual ~HookBase() = default;
    HookBase(const HookBase&) = delete;
    HookBase& operator=(const HookBase&) = delete;

    QString name() const { return m_name; }
    virtual bool filled() const = 0;

protected:
    // Two subsystems filling one hook is a wiring fault that would silently
    // drop one of them; it stops the program in every build.
    void checkEmpty() const {
        if (filled())
            qFatal("hook %s filled twice", qUtf8Printable(m_name));
    }

private:
    QString m_name;
};

// A call the shell makes into a subsystem that fills it in. Until it is
// filled it does nothing (or returns its empty value), so the caller never
// depends on the filler.
template <typename Signature> class Hook;

template <typename R, typename... Args> class Hook<R(Args...)> : public HookBase {
public:
    explicit Hook(const char* name, R empty = R()) : HookBase(name), m_empty(empty) {}

    HookFill fill(std::function<R(Args...)> f) {
        checkEmpty();
        m_f = std::move(f);
        return HookFill([this] { m_f = nullptr; });
    }
    bool filled() const override { return static_cast<bool>(m_f); }
    R operator()(Args... args) const { return m_f ? m_f(args...) : m_empty; }

private:
    R m_empty;
    std::function<R(Args...)> m_f;
};

template <typename... Args> class Hook<void(Args...)> : public HookBase {
public:
    explicit Hook(const char* name) : HookBase(name) {}

    HookFill fill(std::function<void(Args...)> f) {
        checkEmpty();
        m_f = std::move(f);
        return HookFill([this] { m_f = nullptr; });
    }
    bool filled() const override { return static_cast<bool>(m_f); }
    void operator()(Args... args) const {
        if (m_f)
            m_f(args...);
    }

private:
    std::function<void(Args...)> m_f;
};
