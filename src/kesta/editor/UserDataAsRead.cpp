#include "UserDataAsRead.h"

#include <controls/SmallControls.h>
#include <controls/TextBox.h>

namespace kesta::editor {

UserDataAsRead::UserDataAsRead(Boxes boxes, QObject *parent) : QObject(parent)
{
    // Only the user's edits count: the load's and the screen's clearing set the boxes by
    // program, and the date picker has no signal of its own for the user, so its changes count
    // from the load on (a clearing forgets what was read anyway).
    const std::array<velkora::controls::TextBox *, 4> texts{boxes.user1, boxes.user2, boxes.user3,
                                                            boxes.user4};
    for (int i = 0; i < 4; ++i)
        connect(texts[static_cast<size_t>(i)], &QLineEdit::textEdited, this,
                [this, i] { edited(i); });
    connect(boxes.date5, &QDateEdit::dateChanged, this, [this] { edited(4); });
    connect(boxes.date6, &QDateEdit::dateChanged, this, [this] { edited(5); });
}

void UserDataAsRead::edited(int index)
{
    m_edited[static_cast<size_t>(index)] = true;
}

void UserDataAsRead::remember(const std::array<bool, Count> &nullAtLoad)
{
    m_null = nullAtLoad;
    m_edited.fill(false);
}

void UserDataAsRead::clear()
{
    m_null.fill(false);
    m_edited.fill(false);
}

quint8 UserDataAsRead::untouchedNulls() const
{
    quint8 bits = 0;
    for (size_t i = 0; i < Count; ++i) {
        if (m_null[i] && !m_edited[i])
            bits |= static_cast<quint8>(1u << i);
    }
    return bits;
}

} // namespace kesta::editor
