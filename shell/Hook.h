#pragma once

#include <QString>

#include <functional>

// A call the shell makes into a subsystem that fills it in. Until it is
// filled it does nothing, so the caller never depends on the filler.
template <typename Signature> class Hook;

template <typename R, typename... Args> class Hook<R(Args...)> {
public:
    explicit Hook(const char* name, R empty = R())
        : m_name(QString::fromLatin1(name)), m_empty(empty) {}

    void fill(std::function<R(Args...)> f) { m_f = std::move(f); }
    bool filled() const { return static_cast<bool>(m_f); }
    QString name() const { return m_name; }
    R operator()(Args... args) const { return m_f ? m_f(args...) : m_empty; }

private:
    QString m_name;
    R m_empty;
    std::function<R(Args...)> m_f;
};

template <typename... Args> class Hook<void(Args...)> {
public:
    explicit Hook(const char* name) : m_name(QString::fromLatin1(name)) {}

    void fill(std::function<void(Args...)> f) { m_f = std::move(f); }
    bool filled() const { return static_cast<bool>(m_f); }
    QString name() const { return m_name; }
    void operator()(Args... args) const {
        if (m_f)
            m_f(args...);
    }

private:
    QString m_name;
    std::function<void(Args...)> m_f;
};
