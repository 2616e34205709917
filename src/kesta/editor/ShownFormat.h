#pragma once

#include "UserDataAsRead.h"
#include "UserDataBoxes.h"
#include "store/StoredLoadFormat.h"

#include <QDate>
#include <array>

class QCheckBox;

namespace velkora::controls {
class DataGrid;
class TextBox;
} // namespace velkora::controls

namespace kesta::editor {

class FieldStore;

// Shows a stored load format (as the one reader gives it) in the screen's boxes, line grid and
// field store: the header's texts as stored (never cut by a box), the numeric user data with
// every digit the database holds, NULLs as empty boxes (a NULL date leaves its picker as it
// is), one line-grid row per line type with the values as read, and one store row per field
// under the key "K-" Ly_ID "-" Ld_ID as stored, numbered 0000, 0010, ... across all line types.
// Odd data raises host::RuntimeError naming the column; what was shown before it stays.
class ShownFormat {
public:
    struct Parts {
        velkora::controls::TextBox *description = nullptr; // txtDescripcion
        velkora::controls::TextBox *file = nullptr;        // txtArchivo
        UserDataBoxes userData;
        QCheckBox *reverse = nullptr;                 // chInverso
        velkora::controls::DataGrid *lines = nullptr; // ssLinea
        FieldStore *store = nullptr;                  // lvDetalle's
    };

    explicit ShownFormat(Parts parts) : m_parts(parts) {}

    // The header, the line grid, the field store, in that order.
    void show(const velkora::store::StoredLoadFormat &format) const;
    void showHeader(const velkora::store::StoredLoadFormat &format) const;
    void showLines(const velkora::store::StoredLoadFormat &format) const;
    void fillStore(const velkora::store::StoredLoadFormat &format) const;

    // Which of Ly_UserDef_1 .. Ly_UserDef_6 the format holds as NULL.
    static std::array<bool, UserDataAsRead::Count>
    nullUserData(const velkora::store::StoredLoadFormat &format);
    // A stored date or stamp as a date, in whichever form the engine gives it (a date, a stamp,
    // "2026-12-06", "2026-12-06T10:30:15", "20261206", "06/12/2026"); null gives an invalid
    // date; anything else raises host::RuntimeError naming "Layout.<column>".
    static QDate storedDate(const QVariant &value, const QString &column);

private:
    Parts m_parts;
};

} // namespace kesta::editor
