#pragma once

// The maker's small controls: date picker, flat button, label.

#include <QDateEdit>
#include <QLabel>
#include <QToolButton>

namespace velkora::controls {

// The maker's date picker: a QDateEdit with a calendar pop-up and the day/month/year order
// of the user's locale. clearValue() sets today's date.
class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget *parent = nullptr);
    Q_INVOKABLE void clearValue();
};

// The maker's flat button. Its mnemonic is a letter of the caption that Alt presses: the
// letter is drawn underlined, and the caption's text stays as it is.
class FlatButton : public QToolButton {
    Q_OBJECT
public:
    explicit FlatButton(const QString &caption = {}, QWidget *parent = nullptr);
    // The letter's first occurrence in the caption (without regard to case) is underlined.
    void setMnemonic(QChar letter);
    QChar mnemonic() const { return m_mnemonic; }

protected:
    void initStyleOption(QStyleOptionToolButton *option) const override;

private:
    QChar m_mnemonic;
};

// The maker's label, with the message-catalogue id of its caption (idetiqueta).
class Etiqueta : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString idetiqueta READ idetiqueta WRITE setIdetiqueta)
public:
    explicit Etiqueta(const QString &caption = {}, QWidget *parent = nullptr);
    QString idetiqueta() const;
    void setIdetiqueta(const QString &id);

private:
    QString m_id;
};

// Whether every text box forces upper case (set from the services' SetForceUppercase).
void setForceUppercase(bool on);
bool forceUppercase();

} // namespace velkora::controls
