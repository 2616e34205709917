#pragma once

#include <QLineEdit>
#include <QVariant>

namespace velkora::controls {

// The maker's text box. Beyond QLineEdit it offers:
// - upper-case forcing (mayusculas), Enter that moves the focus on (enterMovesOn),
// - a custom format (formatopersonal, format code 99) applied when the user confirms the text
//   with Enter or when a value is set with setValue: every '0' of the format is a digit place,
//   so "0000" zero-pads a whole number to four digits, every '#' a digit place that is not
//   padded; text that is not a whole number is left as typed; an empty format, or one with any
//   other character, leaves every text as typed (DigitFormat.h),
// - a numeric mode with a number of decimals (format code 5) whose empty value is
//   "0" followed by the decimals ("0.0000" with four) and which accepts only numbers,
// - the new-key switch (NewKey) of a key box: kept for reading, it changes nothing else,
// - the notifications Enter (the user confirmed the text with Enter) and Change (the text
//   changed, by the user or by the program).
class TextBox : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(bool mayusculas READ mayusculas WRITE setMayusculas)
    Q_PROPERTY(bool esclave READ esclave WRITE setEsclave)
    Q_PROPERTY(QString idconsulta READ idconsulta WRITE setIdconsulta)
    Q_PROPERTY(int formato READ formato WRITE setFormato)
    Q_PROPERTY(QString formatopersonal READ formatopersonal WRITE setFormatopersonal)
    Q_PROPERTY(int tipodato READ tipodato WRITE setTipodato)
    Q_PROPERTY(int decimales READ decimales WRITE setDecimales)
    Q_PROPERTY(bool enterMovesOn READ enterMovesOn WRITE setEnterMovesOn)
    Q_PROPERTY(bool NewKey READ NewKey WRITE setNewKey)

public:
    explicit TextBox(QWidget *parent = nullptr);

    bool mayusculas() const;
    void setMayusculas(bool on);
    bool esclave() const;
    void setEsclave(bool on);
    QString idconsulta() const;
    void setIdconsulta(const QString &id);
    int formato() const;
    void setFormato(int code);
    QString formatopersonal() const;
    void setFormatopersonal(const QString &format);
    int tipodato() const;
    void setTipodato(int code);
    int decimales() const;
    void setDecimales(int places);
    bool enterMovesOn() const;
    void setEnterMovesOn(bool on);
    bool NewKey() const;
    void setNewKey(bool on);

    // Makes the box numeric with the given decimals (format code 5, data type code 5).
    void setNumeric(int decimals);
    bool isNumeric() const;
    // The text the box shows when empty: "0.0000" for a numeric box with four decimals.
    QString emptyValue() const;

    // Sets a value: numbers go through the format, texts as they are; a value longer than the
    // maximum length is never cut (the box widens until clearValue()).
    void setValue(const QVariant &value);
    // Applies the custom format to a text: "0000" turns "12" into "0012".
    QString formatted(const QString &text) const;

    // Empties the box (a numeric box shows its empty value).
    Q_INVOKABLE void clearValue();

    // Inserts pasted text at the cursor as a paste does; returns false (and raises
    // PasteRefused) when the box cannot hold it whole or it holds control characters. One line
    // break at its end, as copied from a spreadsheet's cell, is not part of the text.
    bool pasteText(QString text);

signals:
    void Enter();
    void Change();
    // A paste was refused: the text pasted and the most the box takes.
    void PasteRefused(const QString &text, int maxLength);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    // A numeric box: the text normalised to the decimals (the empty value when no number).
    void normalize();
    bool forcesUpperCase() const;
    void upperCaseEdit(const QString &edited);
    // Shows a text set from a number, raising the maximum length when it is too short.
    void setShownValue(const QString &shown);

    bool m_mayusculas = false;
    bool m_esclave = false;
    QString m_idconsulta;
    int m_formato = 0;
    QString m_formatopersonal;
    int m_tipodato = 0;
    int m_decimales = 0;
    bool m_numeric = false;
    bool m_enterMovesOn = false;
    bool m_newKey = false;
    int m_designMaxLength = -1; // the maximum length before a longer value widened it
};

} // namespace velkora::controls
