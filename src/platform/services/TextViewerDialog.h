#pragma once

#include "host/ToolServices.h"

#include <QDialog>

class QPlainTextEdit;

namespace velkora::services {

// A read-only text window: the text in a fixed-width font, with "Copiar" (to the clipboard)
// and "Cerrar". Object names: "dlgTextViewer", "txtTexto", "cmdCopiar", "cmdCerrar".
class TextViewerDialog : public QDialog {
    Q_OBJECT
public:
    TextViewerDialog(const QString &text, const QString &title, QWidget *parent = nullptr);
    QString text() const;

private:
    QPlainTextEdit *m_text;
};

// TextViewer of the services: ShowText shows the text modally in a TextViewerDialog over the
// active window; the title defaults to "Velkora". The six numeric arguments (placement and
// options of the viewer) are accepted and not used: the window takes a size that fits.
class TextViewerImpl : public kesta::host::TextViewer {
public:
    void ShowText(const QString &text, const QString &title, int a, int b, int c, int d, int e,
                  int f) override;
};

} // namespace velkora::services
