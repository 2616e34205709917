#pragma once

#include "UserDataBoxes.h"
#include "store/FormatSave.h"

#include <QDate>
#include <QString>
#include <functional>

class QCheckBox;

namespace velkora::controls {
class DataGrid;
class DatePicker;
class TextBox;
} // namespace velkora::controls

namespace kesta::editor {

class FieldStore;

// The load format on the screen as the save reads it: the header's boxes, one Layout row per
// line-grid row (its cells read by LineColumn) and one Layout_Detalle row per field store row.
// It reads, and never shows a message nor changes a widget.
class FormatForm {
public:
    struct Parts {
        velkora::controls::TextBox *key = nullptr;         // txtClave
        velkora::controls::TextBox *description = nullptr; // txtDescripcion
        velkora::controls::TextBox *file = nullptr;        // txtArchivo
        QCheckBox *reverse = nullptr;                      // chInverso
        UserDataBoxes userData;
        const velkora::controls::DataGrid *lines = nullptr; // ssLinea
        const FieldStore *fields = nullptr;                 // lvDetalle's store
    };
    // The text a date is written in (the services' FormatDate).
    using DateText = std::function<QString(const QDate &)>;

    FormatForm(Parts parts, DateText dateText);

    // The rows a save of the shown format writes, as a new format or over the stored one;
    // without rules (the caller carries them).
    velkora::store::SaveRequest read(bool isNew) const;
    QList<velkora::store::LayoutLineValues> lineRows() const;
    QList<velkora::store::LayoutFieldValues> fieldRows() const;

private:
    Parts m_parts;
    DateText m_dateText;
};

} // namespace kesta::editor
