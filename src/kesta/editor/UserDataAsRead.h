#pragma once

#include "UserDataBoxes.h"

#include <QObject>
#include <array>

namespace kesta::editor {

// The six user data (Ly_UserDef_1 to Ly_UserDef_6) as the load found them. A box cannot show
// NULL: an empty text box, a numeric box's empty value and a date picker's date all stand for
// it. A datum that was NULL and whose box the user has not edited since the load is written
// back as NULL; one the user edited (typed, pasted, picked a date) is written from its box.
class UserDataAsRead : public QObject {
    Q_OBJECT
public:
    using Boxes = UserDataBoxes;
    static constexpr int Count = 6;

    explicit UserDataAsRead(Boxes boxes, QObject *parent = nullptr);

    // After the load has filled the boxes: which data were NULL (nullAtLoad[n - 1] for
    // Ly_UserDef_n); none is edited yet.
    void remember(const std::array<bool, Count> &nullAtLoad);
    // Nothing was read (a new format, a cleared screen).
    void clear();
    // The data read as NULL whose boxes the user has not edited since: bit n - 1 for
    // Ly_UserDef_n.
    quint8 untouchedNulls() const;

private:
    void edited(int index);

    std::array<bool, Count> m_null{};
    std::array<bool, Count> m_edited{};
};

} // namespace kesta::editor
