// The common file dialog.
//
// Filter translation: the platform's filter is a '|'-separated list of description and pattern
// pairs; each pair becomes one Qt name filter "description (patterns)", the patterns separated
// by blanks instead of ';', and "*.*" (every file) written "*" as this platform matches it.
// A description that ends with its patterns in brackets loses them (they follow once).
// "Archivos(*.*)|*.*|" gives {"Archivos (*)"}; "Texto|*.txt;*.csv|Todos|*.*" gives
// {"Texto (*.txt *.csv)", "Todos (*)"}. A description
// without a pattern gets "(*)"; a pattern without a description is its own description; empty
// pairs (the trailing '|') are skipped. No pair at all gives {"(*)"}.
//
// ShowOpen starts as every file dialog does (FileDialogs.h): on the user's last folder and
// filter, else on the file named in FileName and its extension.
// ShowOpen leaves the chosen file's full name in FileName, or the empty text when the user
// cancelled. With CancelError set, a cancel also throws DialogCancelled, as the platform's
// dialog raises its cancel error; the default (off) raises nothing.

#include "CommonDialog.h"

#include "FileDialogs.h"

#include <QRegularExpression>


namespace velkora::controls {

namespace {

CommonDialog::Chooser &currentChooser()
{
    static CommonDialog::Chooser current;
    return current;
}

} // namespace

DialogCancelled::DialogCancelled() : std::runtime_error("Cancelado por el usuario") {}

CommonDialog::CommonDialog(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("CommonDialog"));
}

QString CommonDialog::Filter() const
{
    return m_filter;
}

void CommonDialog::setFilter(const QString &filter)
{
    m_filter = filter;
}

QString CommonDialog::FileName() const
{
    return m_fileName;
}

void CommonDialog::setFileName(const QString &name)
{
    m_fileName = name;
}

bool CommonDialog::CancelError() const
{
    return m_cancelError;
}

void CommonDialog::setCancelError(bool on)
{
    m_cancelError = on;
}

QStringList CommonDialog::qtNameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description = parts.at(i).trimmed();
        const QString pattern = i + 1 < parts.size() ? parts.at(i + 1).trimmed() : QString();
        if (description.isEmpty() && pattern.isEmpty())
            continue;
        // A description that already names its patterns ("Archivos(*.*)") is not followed by
        // them a second time.
        static const QRegularExpression namedPatterns(QStringLiteral("\\s*\\([^()]*\\*[^()]*\\)$"));
        description.remove(namedPatterns);
        QStringList patterns;
        for (const QString &one : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            // "*.*" means every file, also those without a dot in their name.
            const QString trimmed = one.trimmed();
            patterns << (trimmed == QLatin1String("*.*") ? QStringLiteral("*") : trimmed);
        }
        patterns.removeDuplicates();
        const QString joined = patterns.isEmpty() ? QStringLiteral("*") : patterns.join(' ');
        const QString name = description.isEmpty() ? joined : description;
        result << QStringLiteral("%1 (%2)").arg(name, joined);
    }
    if (result.isEmpty())
        result << QStringLiteral("(*)");
    return result;
}

QString CommonDialog::readingFilter()
{
    return QStringLiteral("Todos los archivos|*.*|Archivos de texto|*.txt;*.dat;*.prn;*.csv|");
}

void CommonDialog::ShowOpen(QWidget *owner)
{
    const QStringList filters = qtNameFilters(m_filter);
    QString chosen;
    if (currentChooser()) {
        chosen = currentChooser()(owner, filters);
    } else {
        FileDialogRequest request;
        request.title = tr("Abrir");
        request.start = m_fileName;
        request.filters = filters;
        chosen = chooseFile(owner, request);
    }
    m_fileName = chosen;
    if (chosen.isEmpty() && m_cancelError)
        throw DialogCancelled();
}

void CommonDialog::setChooser(Chooser chooser)
{
    currentChooser() = std::move(chooser);
}

} // namespace velkora::controls
