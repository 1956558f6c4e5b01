#pragma once

#include <QWidget>

class QAbstractButton;
class QComboBox;
class QPlainTextEdit;
class QToolButton;

// The toolbar over the message composer: clear, save and load the text,
// alignment, background, font size and text colour. It changes only how the
// composer looks, or moves its text to and from files; the composer's own
// change handling sees a load as typing.
class TextTools : public QWidget {
    Q_OBJECT
public:
    // The name-insert button is the page's; it takes its place in the row.
    TextTools(QPlainTextEdit* composer, QAbstractButton* insertName, const QString& programDir,
              QWidget* parent);

    void clearText();
    void saveText();
    void loadText();
    void setAlignment(Qt::Alignment alignment);
    void chooseBackground();
    void fontSizeEdited(const QString& text);
    void colourChosen(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* toolButton(const char* name, const QString& hint, const QString& text);
    void keepAlignment();
    void backToProgramDir() const;

    QPlainTextEdit* m_composer;
    QString m_programDir;
    Qt::Alignment m_alignment;
    QComboBox* m_cmbFontSize = nullptr;
    QComboBox* m_cmbTextColor = nullptr;
};
