#pragma once

#include "Connection.h"

#include <QString>
#include <QVariant>

class QWidget;

namespace kesta::host {

// Message-box styles and answers, as numbers.
namespace MessageStyle {
constexpr int Critical = 16;
constexpr int Question = 36; // Yes and No
constexpr int Warning = 48;
constexpr int Information = 64;
constexpr int SecondButtonDefault = 256; // added to a style: the second button is the default
} // namespace MessageStyle
namespace MessageAnswer {
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace MessageAnswer

// The host's core services: connection, operator, messages, settings.
class CoreServices {
public:
    virtual ~CoreServices() = default;

    virtual ConnectionPtr Connection() = 0;
    virtual QString CurrentOperator() = 0;
    // A modal message box owned by owner; returns MessageAnswer::Yes or No for questions,
    // and 1 (OK) for the others.
    virtual int ShowMessage(const QString &text, int style, const QString &title, QWidget *owner,
                            const QString &module, const QString &messageId) = 0;
    // A setting's value, or a null QVariant when the setting does not exist.
    virtual QVariant GetSetting(const QString &name, long mode = 0, const QString &extra1 = {},
                                const QString &extra2 = {}) = 0;
    virtual int GetModuleOption(const QString &module, const QString &code,
                                const QString &fallbackText) = 0;
    virtual void SetForceUppercase(bool force) = 0;
    virtual bool ForceUppercase() const = 0;
};

} // namespace kesta::host
