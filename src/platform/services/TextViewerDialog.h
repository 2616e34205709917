#pragma once

#include "host/ToolServices.h"
#include "views/TestedFile.h"

#include <QDialog>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;
class QWidget;

namespace velkora::services {

// A modal, resizable, read-only text window in a fixed-width font:
// - find: Ctrl+F shows the find box ("txtBuscar") and selects its text; Enter or F3 finds the
//   next occurrence, Shift+F3 the previous one (without regard to case, wrapping at the ends);
//   "lblBuscar" says when the text is not found; Escape in the find box hides it;
// - "Copiar" ("cmdCopiar") copies the selected text, or the whole text when nothing is
//   selected, to the clipboard;
// - "Guardar..." ("cmdGuardar") writes the whole text into a file in UTF-8 (the file is asked
//   through the save-file chooser below);
// - "Cerrar" ("cmdCerrar") or Escape closes the window;
// - long lines scroll sideways, or wrap at the window's width while "Ajustar las líneas"
//   ("chkAjustar") is checked.
// Pages may be added beside the text (addPage): the text then becomes the first tab, "Texto",
// of "tabsVisor", and find, copy and save still act on it (Ctrl+F and F3 bring it to the front).
// The result of a load-format test gets two such pages (addTestViews): its tables ("Tablas")
// and the file's lines with the fields on them ("Líneas del archivo"), see views/.
// Object names: "dlgTextViewer", "txtTexto", "barraBuscar", "cmdSiguiente", "cmdAnterior".
class TextViewerDialog : public QDialog {
    Q_OBJECT
public:
    TextViewerDialog(const QString &text, const QString &title, QWidget *parent = nullptr);
    QString text() const;

    // Adds a page beside the text; the dialog becomes its parent.
    void addPage(QWidget *page, const QString &title);
    void showPage(QWidget *page);
    QTabWidget *pages() const { return m_pages; } // null until a page is added
    // Adds the tables and the lines' view of a tested file; a field given by its places (see
    // TextViewer::HighlightField) is highlighted on the lines.
    void addTestViews(std::shared_ptr<const views::TestedFile> file, int lineType = -1,
                      int field = -1);

    void showFind();
    // Selects the next (or previous) occurrence of the find box's text; false when none.
    bool findNext(bool backward = false);
    void copy();
    // Asks for a file and writes the text into it; false when the user cancelled. A failure
    // to write is shown in a message box and also gives false.
    bool save();
    // Writes the text into a file in UTF-8; raises kesta::host::RuntimeError on failure.
    void saveTo(const QString &fileName) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPlainTextEdit *m_text;
    QTabWidget *m_pages = nullptr;
    QWidget *m_findBar;
    QLineEdit *m_find;
    QLabel *m_findStatus;
};

// Chooses the file into which the viewer saves its text: gets the viewer and a suggested
// name, returns the path or an empty text for a cancel. The default is the platform's save
// dialog; tests replace it. An empty function restores the default.
using TextFileChooser = std::function<QString(QWidget *viewer, const QString &suggestedName)>;
void setTextFileChooser(TextFileChooser chooser);

// The last load-format test of a ToolServicesImpl, kept for the viewer that shows its text:
// the text and the tested file behind it.
class TestResultSlot {
public:
    void keep(const QString &text, std::shared_ptr<const views::TestedFile> file);
    // The tested file behind a text when it is the kept test's text (the slot is then
    // emptied, so the index goes with the viewer); null otherwise.
    std::shared_ptr<const views::TestedFile> take(const QString &text);

private:
    QString m_text;
    std::shared_ptr<const views::TestedFile> m_file;
};

// TextViewer of the services: ShowText shows the text modally in a TextViewerDialog over the
// active window; the title defaults to "Velkora". When the text is the result of the last test
// of the services that made the viewer (see TestResultSlot), the window also shows that test's
// tables and the file's lines. The six numeric arguments (placement and options of the viewer)
// are accepted and not used: the window takes a size that fits the screen, and the user may
// resize it.
class TextViewerImpl : public kesta::host::TextViewer {
public:
    explicit TextViewerImpl(std::shared_ptr<TestResultSlot> tests = {});
    void ShowText(const QString &text, const QString &title, int a, int b, int c, int d, int e,
                  int f) override;
    void HighlightField(int lineType, int field) override;

private:
    std::shared_ptr<TestResultSlot> m_tests;
    int m_lineType = -1, m_field = -1;
};

} // namespace velkora::services
