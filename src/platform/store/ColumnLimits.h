#pragma once

#include <QString>

namespace velkora::store {

// How much the columns of Layout, Layout_Detalle and Layout_Regla hold. The schema scripts in db/,
// the text boxes' maximum lengths, the grid cells' limits and the save's checks all follow these
// numbers (a test compares them with the scripts).
namespace ColumnLength {
inline constexpr int Key = 4;                // Ly_Cve_Layout
inline constexpr int Description = 50;       // Ly_Descripcion
inline constexpr int File = 100;             // Ly_Archivo
inline constexpr int LineOrder = 10;         // Ly_ID (both tables)
inline constexpr int LineDescription = 100;  // Ly_Descripcion_ID
inline constexpr int LineId = 50;            // Ly_Linea_ID
inline constexpr int UserText = 50;          // Ly_UserDef_1, Ly_UserDef_2
inline constexpr int UserNumberText = 20;    // Ly_UserDef_3, Ly_UserDef_4 as typed
inline constexpr int Operator = 50;          // Oper_Alta, Oper_Ult_Modif, Oper_Baja
inline constexpr int FieldId = 10;           // Ld_ID
inline constexpr int FieldDescription = 100; // Ld_Descripcion
inline constexpr int FieldValue = 255;       // Ld_Valor
inline constexpr int FieldFormat = 100;      // Ld_Formato
inline constexpr int Flag = 2;               // Ly_Inverso, Ld_Trim, Ld_Tipo, Es_Cve_Estado
inline constexpr int RuleId = 10;            // Lr_ID (Layout_Regla, docs/rules.md)
inline constexpr int RuleText = 255;         // Lr_Regla
inline constexpr int RuleDescription = 100;  // Lr_Descripcion
// Positions and lengths (Ly_Posicion, Ly_Longitud, Ld_Posicion, Ld_Longitud) are whole
// numbers from 1 to 2147483647: at most ten digits.
inline constexpr int PositionDigits = 10;
} // namespace ColumnLength

// The largest position or length the columns store (INT).
inline constexpr qint64 MaxPositionValue = 2147483647;

// Ly_UserDef_3 and Ly_UserDef_4: DECIMAL(20,4).
inline constexpr int UserNumberDigits = 16;
inline constexpr int UserNumberDecimals = 4;

} // namespace velkora::store
