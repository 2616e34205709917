// The maker's text box.
//
// Behaviour beyond QLineEdit:
// - Upper case: with mayusculas, or while forceUppercase() is on, every letter the user types or
//   pastes becomes upper case; the cursor keeps its place. Texts set by the program are kept
//   as they are.
// - Custom format (formatopersonal, format code 99): a digit format as described in
//   DigitFormat.h ('0' zero-padded digit places, '#' unpadded ones; an empty format or one with
//   any other character formats nothing). It is applied when the user confirms the text with
//   Enter and when setValue() gets a number; a text that is not a whole number stays as typed.
//   Setting a non-empty custom format selects format code 99; the format may be replaced at
//   any time and applies from the next Enter or setValue(). On Enter, a formatted text that
//   would not fit the maximum length is left as typed. A number given to setValue() is never
//   cut by the maximum length (a cut key would name another record): the maximum length grows
//   to fit it.
// - Numeric mode (format code 5, setNumeric): right-aligned; the user can only enter a number
//   (optional sign, digits, one decimal point with at most the box's decimals; a comma typed is
//   taken as the point); the empty value is "0" with the decimals ("0.0000"); on focus-out and
//   on Enter the text is normalised to the decimals ("1.5" gives "1.5000", "" gives the empty
//   value).
// - Enter(): raised when the user presses Enter, after the format has been applied; with
//   enterMovesOn the focus then moves to the next control as TAB would move it. The Enter key
//   is consumed by the box.
// - Change(): raised whenever the text changes, by the user or by the program.
// - NewKey: the key box's new-key switch. The screen sets it on New and Cancel; the box only
//   keeps it for reading: no lookup of existing keys is offered, so the switch changes nothing
//   in the box's behaviour.
// - esclave, idconsulta and tipodato are design properties kept for reading only.

#include "TextBox.h"
#include "formats/TextRules.h"
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <memory>

#include "SmallControls.h"
#include "TextBoxValidator.h"
#include "formats/DigitFormat.h"

#include <QKeyEvent>
#include <QRegularExpression>

namespace velkora::controls {

namespace {

constexpr int NumericFormatCode = 5;
constexpr int CustomFormatCode = 99;

bool isNumberType(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// A number text with exactly `decimals` decimals; empty when the text is no number.
QString normalizedNumber(const QString &text, int decimals)
{
    const QString trimmed = text.trimmed();
    QString input = trimmed;
    input.replace(QLatin1Char(','), QLatin1Char('.'));
    if (TextBoxValidator::validateNumber(input, 1000) != QValidator::Acceptable)
        return {};
    bool negative = false;
    if (input.startsWith(QLatin1Char('-')) || input.startsWith(QLatin1Char('+'))) {
        negative = input.startsWith(QLatin1Char('-'));
        input.remove(0, 1);
    }
    const qsizetype point = input.indexOf(QLatin1Char('.'));
    QString whole = point < 0 ? input : input.left(point);
    QString fraction = point < 0 ? QString() : input.mid(point + 1);
    if (fraction.size() > decimals) {
        // More decimals than the box keeps: rounded through a double.
        const double value = input.toDouble() * (negative ? -1 : 1);
        return normalizedNumber(QString::number(value, 'f', decimals), decimals);
    }
    while (whole.size() > 1 && whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    fraction += QString(decimals - fraction.size(), QLatin1Char('0'));
    QString result = whole;
    if (decimals > 0)
        result += QLatin1Char('.') + fraction;
    const bool zero = !result.contains(QRegularExpression(QStringLiteral("[1-9]")));
    if (negative && !zero)
        result.prepend(QLatin1Char('-'));
    return result;
}

} // namespace

TextBox::TextBox(QWidget *parent) : QLineEdit(parent)
{
    setValidator(new TextBoxValidator(this));
    connect(this, &QLineEdit::textChanged, this, &TextBox::Change);
    connect(this, &QLineEdit::textEdited, this, &TextBox::upperCaseEdit);
}

bool TextBox::forcesUpperCase() const
{
    return (m_mayusculas || forceUppercase()) && !m_numeric;
}

void TextBox::upperCaseEdit(const QString &edited)
{
    // Typed letters are already upper case (keyPressEvent); this catches pasted text and input
    // methods. Some letters grow when upper-cased ("ß" gives "SS"): the cursor follows the text
    // before it.
    if (!forcesUpperCase())
        return;
    const QString upper = edited.toUpper();
    if (upper == edited)
        return;
    const int cursor = static_cast<int>(edited.left(cursorPosition()).toUpper().size());
    setText(upper);
    setCursorPosition(cursor);
}

bool TextBox::mayusculas() const
{
    return m_mayusculas;
}

void TextBox::setMayusculas(bool on)
{
    m_mayusculas = on;
}

bool TextBox::esclave() const
{
    return m_esclave;
}

void TextBox::setEsclave(bool on)
{
    m_esclave = on;
}

QString TextBox::idconsulta() const
{
    return m_idconsulta;
}

void TextBox::setIdconsulta(const QString &id)
{
    m_idconsulta = id;
}

int TextBox::formato() const
{
    return m_formato;
}

void TextBox::setFormato(int code)
{
    if (code == NumericFormatCode) {
        setNumeric(m_decimales);
        return;
    }
    m_formato = code;
    if (m_numeric) {
        m_numeric = false;
        setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
}

QString TextBox::formatopersonal() const
{
    return m_formatopersonal;
}

void TextBox::setFormatopersonal(const QString &format)
{
    m_formatopersonal = format;
    if (!format.isEmpty() && !m_numeric)
        m_formato = CustomFormatCode;
}

int TextBox::tipodato() const
{
    return m_tipodato;
}

void TextBox::setTipodato(int code)
{
    m_tipodato = code;
}

int TextBox::decimales() const
{
    return m_decimales;
}

void TextBox::setDecimales(int places)
{
    m_decimales = qBound(0, places, 15);
    if (m_numeric && !hasFocus())
        normalize();
}

bool TextBox::enterMovesOn() const
{
    return m_enterMovesOn;
}

void TextBox::setEnterMovesOn(bool on)
{
    m_enterMovesOn = on;
}

bool TextBox::NewKey() const
{
    return m_newKey;
}

void TextBox::setNewKey(bool on)
{
    m_newKey = on;
}

void TextBox::setNumeric(int decimals)
{
    m_numeric = true;
    m_formato = NumericFormatCode;
    m_tipodato = NumericFormatCode;
    m_decimales = qBound(0, decimals, 15);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    normalize();
}

bool TextBox::isNumeric() const
{
    return m_numeric;
}

QString TextBox::emptyValue() const
{
    if (!m_numeric)
        return {};
    QString value = QStringLiteral("0");
    if (m_decimales > 0)
        value += QLatin1Char('.') + QString(m_decimales, QLatin1Char('0'));
    return value;
}

void TextBox::setValue(const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        clearValue();
        return;
    }
    if (!isNumberType(value)) {
        // A numeric box takes a number's text as it is, digit for digit.
        if (m_numeric) {
            const QString number = normalizedNumber(value.toString(), m_decimales);
            setShownValue(number.isEmpty() ? emptyValue() : number);
            return;
        }
        setShownValue(value.toString());
        return;
    }
    if (m_numeric) {
        const int type = value.metaType().id();
        const QString digits = type == QMetaType::Double || type == QMetaType::Float
                                   ? QString::number(value.toDouble(), 'f', m_decimales)
                                   : value.toString();
        const QString number = normalizedNumber(digits, m_decimales);
        setShownValue(number.isEmpty() ? emptyValue() : number);
        return;
    }
    setShownValue(formatted(formats::valueText(value)));
}

void TextBox::setShownValue(const QString &shown)
{
    // A value set by the program is never cut: a cut key would name another record, a cut
    // text would be saved cut. The box takes it whole until it is emptied.
    if (shown.size() > maxLength()) {
        if (m_designMaxLength < 0)
            m_designMaxLength = maxLength();
        setMaxLength(static_cast<int>(shown.size()));
    }
    setText(shown);
}

QString TextBox::formatted(const QString &text) const
{
    if (m_numeric)
        return text;
    return formats::applyDigitFormat(text, m_formatopersonal);
}

void TextBox::clearValue()
{
    if (m_designMaxLength >= 0) {
        setMaxLength(m_designMaxLength);
        m_designMaxLength = -1;
    }
    setText(emptyValue());
}

// Pastes (keys, the menu, the middle button, a drop) go through pasteText: a text the box
// cannot hold whole, or one holding control characters, is refused, never cut or changed.
bool TextBox::pasteText(QString text)
{
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    else if (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    const bool control = formats::firstNonTextCharacter(text) >= 0;
    const qsizetype after = QLineEdit::text().size() - selectedText().size() + text.size();
    if (control || after > maxLength()) {
        emit PasteRefused(text, maxLength());
        return false;
    }
    insert(text);
    return true;
}

void TextBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton) {
        if (const QClipboard *clipboard = QGuiApplication::clipboard();
            clipboard && clipboard->supportsSelection() && !isReadOnly())
            pasteText(clipboard->text(QClipboard::Selection));
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TextBox::contextMenuEvent(QContextMenuEvent *event)
{
    const std::unique_ptr<QMenu> menu(createStandardContextMenu());
    for (QAction *action : menu->actions()) {
        if (action->objectName() == QLatin1String("edit-paste")) {
            action->disconnect();
            connect(action, &QAction::triggered, this, [this] {
                if (const QClipboard *clipboard = QGuiApplication::clipboard())
                    pasteText(clipboard->text());
            });
        }
    }
    menu->exec(event->globalPos());
}

void TextBox::dropEvent(QDropEvent *event)
{
    if (event->mimeData() && event->mimeData()->hasText() && !isReadOnly()) {
        pasteText(event->mimeData()->text());
        event->acceptProposedAction();
        return;
    }
    event->ignore();
}

void TextBox::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste)) {
        if (const QClipboard *clipboard = QGuiApplication::clipboard(); clipboard && !isReadOnly())
            pasteText(clipboard->text());
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (m_numeric) {
            normalize();
        } else if (const QString shown = formatted(text());
                   shown != text() && shown.size() <= maxLength()) {
            setText(shown);
        }
        QLineEdit::keyPressEvent(event); // returnPressed() and editingFinished()
        emit Enter();
        if (m_enterMovesOn)
            focusNextChild();
        event->accept();
        return;
    }
    const bool upper = forcesUpperCase();
    const QString typed = event->text();
    if (upper && !typed.isEmpty() && typed != typed.toUpper() &&
        !(event->modifiers() & Qt::ControlModifier)) {
        // Typing goes in upper case directly, so the undo history stays intact; pasted text is
        // upper-cased after the edit (upperCaseEdit).
        QKeyEvent upperEvent(event->type(), event->key(), event->modifiers(),
                             event->nativeScanCode(), event->nativeVirtualKey(),
                             event->nativeModifiers(), typed.toUpper(), event->isAutoRepeat(),
                             event->count());
        QLineEdit::keyPressEvent(&upperEvent);
        event->setAccepted(upperEvent.isAccepted());
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TextBox::focusOutEvent(QFocusEvent *event)
{
    if (m_numeric)
        normalize();
    QLineEdit::focusOutEvent(event);
}

void TextBox::normalize()
{
    const QString number = normalizedNumber(text(), m_decimales);
    const QString shown = number.isEmpty() ? emptyValue() : number;
    // The decimals added may make the text longer than what may be typed: it is never cut.
    if (shown != text())
        setShownValue(shown);
}

} // namespace velkora::controls
