#pragma once

namespace kesta::editor {

// The columns of the line grid (ssLinea) and of the field grid (ssDetalle), in the order the
// form design gives them: cells are read and written by these, never by their captions.
enum class LineColumn { Order, Id, Description, Position, Length, Count };
enum class FieldColumn {
    Id,
    Description,
    Position,
    Length,
    Type,
    Value,
    Format,
    Trim,
    LineOrder,
    Count
};

constexpr int columnOf(LineColumn column)
{
    return static_cast<int>(column);
}
constexpr int columnOf(FieldColumn column)
{
    return static_cast<int>(column);
}

} // namespace kesta::editor
