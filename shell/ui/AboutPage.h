#pragma once

#include <QObject>

class ClockTimer;
class QLineEdit;
class QPlainTextEdit;
class ShellContext;

// The About page (10): the About text typed out on a background that
// pulses from dark to bright red and back.
class AboutPage : public QObject {
    Q_OBJECT
public:
    static constexpr int kTypingBound = 570;
    static constexpr int kDarkest = 10;
    static constexpr int kBrightest = 210;

    explicit AboutPage(ShellContext& shell);

    // Starts the effects from the beginning.
    void start();
    // Stops all three effects where they are.
    void stop();
    // Characters typed so far, line ends included.
    int typed() const { return m_typed; }
    int red() const;

private:
    void typeTick();
    void brightenTick();
    void darkenTick();
    void setRed(int red);

    ClockTimer& m_brighten; // Timer8
    ClockTimer& m_darken;   // Timer9
    ClockTimer& m_type;     // Timer10
    int m_typed = 0;
    QPlainTextEdit* m_display = nullptr;
    QPlainTextEdit* m_source = nullptr;
    QLineEdit* m_focusCatcher = nullptr;
};
