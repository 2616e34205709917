#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <stdexcept>

class QWidget;

namespace velkora::controls {

// Thrown by ShowOpen when the user cancels and CancelError is set.
class DialogCancelled : public std::runtime_error {
public:
    DialogCancelled();
};

// The common file dialog: never shown itself; ShowOpen() opens the platform's open-file
// dialog with the filter, and leaves the chosen file's full name in FileName (empty when the
// user cancelled; cancelling raises no error).
//
// The filter is written in the platform's form: pairs of description and pattern separated by
// '|', e.g. "Archivos(*.*)|*.*|"; it is translated to Qt's name filters for the dialog.
class CommonDialog : public QObject {
    Q_OBJECT
public:
    explicit CommonDialog(QObject *parent = nullptr);

    QString Filter() const;
    void setFilter(const QString &filter);
    QString FileName() const;
    void setFileName(const QString &name);
    bool CancelError() const;
    void setCancelError(bool on);

    // Qt's name filters for a filter in the platform's form: "Archivos(*.*)|*.*|" gives
    // {"Archivos(*.*) (*.*)"}... see the implementation for the exact form.
    static QStringList qtNameFilters(const QString &filter);
    // The filter of a file to read: every file, and the usual text files. The dialog adds the
    // extension of the file it starts from (FileDialogs.h).
    static QString readingFilter();

    void ShowOpen(QWidget *owner = nullptr);

    // Tests replace the dialog: the chooser gets the owner and Qt's name filters and returns
    // the chosen file (empty for a cancel). An empty function restores the real dialog.
    using Chooser = std::function<QString(QWidget *owner, const QStringList &nameFilters)>;
    static void setChooser(Chooser chooser);

private:
    QString m_filter;
    QString m_fileName;
    bool m_cancelError = false;
};

} // namespace velkora::controls
