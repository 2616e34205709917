#pragma once

#include <QString>

class QWidget;

namespace kesta::commands {

// The commands on the load format stored under the shown key: its test ("Probar") and its
// script ("Script"). Both read the stored rows, not the screen's unsaved edits.

// The test by the services on the stored format's own file (file empty) or on another one,
// under the busy pointer; the result in the services' viewer with the field at (lineRow,
// fieldRow) of the grids highlighted, or the library's error (7500019) over `owner`.
void testStoredFormat(QWidget *owner, const QString &key, int lineRow, int fieldRow,
                      const QString &file);
// "Probar con otro archivo": the file the user picks, starting in the folder of the format's
// stored file; empty when the user picks none.
QString chooseTestFile(QWidget *owner, const QString &storedFile);
// The script of the stored rows (storedFormatScript, read in one transaction, the rows
// scripted by the services' ScriptRows) in the services' viewer; a failure shows 7500020.
void showStoredFormatScript(QWidget *owner, const QString &key);

} // namespace kesta::commands
