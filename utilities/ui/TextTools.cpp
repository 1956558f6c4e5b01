#include "utilities/ui/TextTools.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTextDocument>
#include <QTextOption>
#include <QToolButton>

#include "shell/ui/DialogService.h"
#include "shell/MessageService.h"
#include "shell/TextFile.h"
#include "shell/ui/WidgetNames.h"
#include "utilities/ui/TextToolTexts.h"

using namespace texttooltext;

TextTools::TextTools(QPlainTextEdit* composer, QAbstractButton* insertName,
                     const QString& programDir, QWidget* parent)
    : QWidget(parent), m_composer(composer), m_programDir(programDir),
      m_alignment(composer->document()->defaultTextOption().alignment()) {
    setObjectName(QStringLiteral("tbTextTools"));
    // The tools read from left to right whatever the page's direction.
    setLayoutDirection(Qt::LeftToRight);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);

    auto* clear = toolButton("btnClearText", kClearHint, QStringLiteral("C"));
    auto* save = toolButton("btnSaveText", kSaveHint, QStringLiteral("S"));
    auto* load = toolButton("btnLoadText", kLoadHint, QStringLiteral("O"));
    clear->setIcon(style()->standardIcon(QStyle::SP_DialogResetButton));
    save->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    load->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    auto* left = toolButton("btnAlignLeft", kAlignLeftHint, QStringLiteral("L"));
    auto* centre = toolButton("btnAlignCenter", kAlignCenterHint, QStringLiteral("M"));
    auto* right = toolButton("btnAlignRight", kAlignRightHint, QStringLiteral("R"));
    auto* back = toolButton("btnBackColor", kBackColorHint, QStringLiteral("B"));

    m_cmbFontSize = named(new QComboBox(this), "cmbFontSize");
    m_cmbFontSize->setEditable(true);
    m_cmbFontSize->setInsertPolicy(QComboBox::NoInsert);
    m_cmbFontSize->addItems(kFontSizes);
    m_cmbFontSize->setEditText(kFontSize);
    m_cmbFontSize->setMinimumContentsLength(static_cast<int>(kFontSize.size()));
    m_cmbFontSize->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_cmbFontSize->installEventFilter(this);
    m_cmbFontSize->lineEdit()->installEventFilter(this);

    m_cmbTextColor = named(new QComboBox(this), "cmbTextColor");
    for (const NamedColour& c : kTextColours)
        m_cmbTextColor->addItem(c.name);
    m_cmbTextColor->setPlaceholderText(kTextColor);
    m_cmbTextColor->setCurrentIndex(-1);
    m_cmbTextColor->setMinimumContentsLength(static_cast<int>(kTextColor.size()));
    m_cmbTextColor->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_cmbTextColor->installEventFilter(this);

    for (QWidget* w : std::initializer_list<QWidget*>{clear, save, load, insertName, left, centre,
                                                      right, back, m_cmbFontSize, m_cmbTextColor})
        row->addWidget(w);
    row->addStretch(1);

    connect(clear, &QToolButton::clicked, this, &TextTools::clearText);
    connect(save, &QToolButton::clicked, this, &TextTools::saveText);
    connect(load, &QToolButton::clicked, this, &TextTools::loadText);
    connect(left, &QToolButton::clicked, this,
            [this] { setAlignment(Qt::AlignLeft | Qt::AlignAbsolute); });
    connect(centre, &QToolButton::clicked, this, [this] { setAlignment(Qt::AlignHCenter); });
    connect(right, &QToolButton::clicked, this,
            [this] { setAlignment(Qt::AlignRight | Qt::AlignAbsolute); });
    connect(back, &QToolButton::clicked, this, &TextTools::chooseBackground);
    connect(m_cmbFontSize, &QComboBox::editTextChanged, this, &TextTools::fontSizeEdited);
    connect(m_cmbFontSize, &QComboBox::textActivated, this, &TextTools::fontSizeEdited);
    connect(m_cmbTextColor, &QComboBox::activated, this, &TextTools::colourChosen);
    connect(m_composer, &QPlainTextEdit::textChanged, this, &TextTools::keepAlignment);
}

QToolButton* TextTools::toolButton(const char* name, const QString& hint, const QString& text) {
    auto* b = named(new QToolButton(this), name);
    b->setToolTip(hint);
    b->setText(text);
    b->setAutoRaise(true);
    return b;
}

void TextTools::clearText() {
    m_composer->clear();
}

void TextTools::backToProgramDir() const {
    // The databases are opened by names relative to the program folder.
    QDir::setCurrent(m_programDir);
}

void TextTools::saveText() {
    const QString path = DialogService::instance().saveFileName(
        m_composer, {QString(), m_programDir, kFileFilter, kFileSuffix});
    if (!path.isEmpty()) {
        QString error;
        if (!textfile::writeLines(path, m_composer->toPlainText(), &error))
            MessageService::instance().showError(error);
    }
    backToProgramDir();
}

void TextTools::loadText() {
    const QString path = DialogService::instance().openFileName(
        m_composer, {QString(), m_programDir, kFileFilter, kFileSuffix});
    if (!path.isEmpty()) {
        QString text;
        QString error;
        if (textfile::readLines(path, &text, &error))
            m_composer->setPlainText(text);
        else
            MessageService::instance().showError(path + QLatin1Char('\n') + error);
    }
    backToProgramDir();
}

void TextTools::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    keepAlignment();
}

void TextTools::keepAlignment() {
    // Emptying or replacing the document may reset its text option; the
    // chosen alignment holds for whatever is typed next.
    QTextDocument* doc = m_composer->document();
    QTextOption option = doc->defaultTextOption();
    if (option.alignment() == m_alignment)
        return;
    option.setAlignment(m_alignment);
    doc->setDefaultTextOption(option);
}

void TextTools::chooseBackground() {
    const QColor chosen =
        DialogService::instance().color(m_composer, m_composer->palette().color(QPalette::Base));
    if (!chosen.isValid())
        return;
    QPalette p = m_composer->palette();
    p.setColor(QPalette::Base, chosen);
    m_composer->setPalette(p);
}

void TextTools::fontSizeEdited(const QString& text) {
    bool ok = false;
    const int points = text.trimmed().toInt(&ok);
    // Half-typed or other text leaves the size as it is.
    if (!ok || points <= 0 || points > 999)
        return;
    QFont f = m_composer->font();
    f.setPointSize(points);
    m_composer->setFont(f);
}

void TextTools::colourChosen(int index) {
    if (index < 0 || index >= kTextColours.size())
        return;
    QPalette p = m_composer->palette();
    p.setColor(QPalette::Text, kTextColours[index].colour);
    m_composer->setPalette(p);
}

bool TextTools::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    if (watched == m_cmbTextColor)
        return true;
    const auto* key = static_cast<QKeyEvent*>(event);
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}
