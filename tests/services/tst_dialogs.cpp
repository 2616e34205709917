// The host's dialogs (message box, text viewer, record tool), driven as a user would: the
// real modal dialog is found while it runs and its buttons are clicked.

#include "host/RuntimeError.h"
#include "services/CoreServicesImpl.h"
#include "services/MessageBox.h"
#include "services/RecordToolDialog.h"
#include "services/TextViewerDialog.h"
#include "services/ToolServicesImpl.h"
#include "support/TestDatabase.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>
#include <functional>

using velkora::services::CoreServicesImpl;
using velkora::services::MessageBox;
using velkora::services::RecordToolDialog;
using velkora::services::TextViewerDialog;
using velkora::services::ToolServicesImpl;

namespace {

// Runs `act` on the modal message box as soon as it is shown (polled from the event loop of
// the box itself); `found` tells whether it was.
void whenBoxShows(std::function<void(MessageBox *)> act, bool *found, int attempts = 50)
{
    QTimer::singleShot(10, [act, found, attempts] {
        auto *box = qobject_cast<MessageBox *>(QApplication::activeModalWidget());
        if (box && box->isVisible()) {
            *found = true;
            act(box);
        } else if (attempts > 0) {
            whenBoxShows(act, found, attempts - 1);
        }
    });
}

template <typename Dialog>
void whenDialogShows(std::function<void(Dialog *)> act, bool *found, int attempts = 50)
{
    QTimer::singleShot(10, [act, found, attempts] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            *found = true;
            act(dialog);
        } else if (attempts > 0) {
            whenDialogShows<Dialog>(act, found, attempts - 1);
        }
    });
}

struct Seen {
    QString title;
    QString text;
    QString informative;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
    QVariant module;
    QVariant messageId;
    QWidget *parent = nullptr;
};

Seen look(MessageBox *box)
{
    Seen seen;
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.informative = box->informativeText();
    seen.icon = box->icon();
    for (QAbstractButton *button : box->buttons())
        seen.buttons << button->objectName();
    seen.buttons.sort();
    seen.defaultButton = box->defaultButton() ? box->defaultButton()->objectName() : QString();
    seen.module = box->property("module");
    seen.messageId = box->property("messageId");
    seen.parent = box->parentWidget();
    return seen;
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void stylesAndAnswers_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QString>("defaultButton");
        QTest::addColumn<QString>("click");
        QTest::addColumn<int>("answer");
        const QStringList ok{QStringLiteral("btnOK")};
        const QStringList yesNo{QStringLiteral("btnNo"), QStringLiteral("btnYes")};
        QTest::newRow("16 critical") << 16 << int(QMessageBox::Critical) << ok
                                     << QStringLiteral("btnOK") << QStringLiteral("btnOK") << 1;
        QTest::newRow("36 question yes")
            << 36 << int(QMessageBox::Question) << yesNo << QStringLiteral("btnYes")
            << QStringLiteral("btnYes") << 6;
        QTest::newRow("36 question no") << 36 << int(QMessageBox::Question) << yesNo
                                        << QStringLiteral("btnYes") << QStringLiteral("btnNo") << 7;
        QTest::newRow("36 escape is no") << 36 << int(QMessageBox::Question) << yesNo
                                         << QStringLiteral("btnYes") << QStringLiteral("ESC") << 7;
        QTest::newRow("292 default no") << 36 + 256 << int(QMessageBox::Question) << yesNo
                                        << QStringLiteral("btnNo") << QStringLiteral("btnYes") << 6;
        QTest::newRow("48 warning") << 48 << int(QMessageBox::Warning) << ok
                                    << QStringLiteral("btnOK") << QStringLiteral("btnOK") << 1;
        QTest::newRow("64 information") << 64 << int(QMessageBox::Information) << ok
                                        << QStringLiteral("btnOK") << QStringLiteral("ESC") << 1;
        QTest::newRow("33 ok cancel")
            << 33 << int(QMessageBox::Question)
            << QStringList{QStringLiteral("btnCancel"), QStringLiteral("btnOK")}
            << QStringLiteral("btnOK") << QStringLiteral("btnCancel") << 2;
        QTest::newRow("35 yes no cancel")
            << 35 << int(QMessageBox::Question)
            << QStringList{QStringLiteral("btnCancel"), QStringLiteral("btnNo"),
                           QStringLiteral("btnYes")}
            << QStringLiteral("btnYes") << QStringLiteral("ESC") << 2;
    }
    void stylesAndAnswers()
    {
        QFETCH(int, style);
        QFETCH(int, icon);
        QFETCH(QStringList, buttons);
        QFETCH(QString, defaultButton);
        QFETCH(QString, click);
        QFETCH(int, answer);

        QWidget window;
        window.setObjectName(QStringLiteral("frmOwner"));
        auto *field = new QLineEdit(&window);
        field->setObjectName(QStringLiteral("txtCampo"));
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(field);
        window.show();

        CoreServicesImpl core(QStringLiteral("unused"), QStringLiteral("X"));
        Seen seen;
        bool found = false;
        whenBoxShows(
            [&seen, click](MessageBox *box) {
                seen = look(box);
                if (click == QLatin1String("ESC")) {
                    QTest::keyClick(box, Qt::Key_Escape);
                    return;
                }
                auto *button = box->findChild<QAbstractButton *>(click);
                if (button)
                    QTest::mouseClick(button, Qt::LeftButton);
                else
                    box->done(0);
            },
            &found);
        const int result = core.ShowMessage(
            QStringLiteral("La clave especificada no existe"), style, QStringLiteral("Atención"),
            field, QStringLiteral("KESTA"), QStringLiteral("ERR-ID:7500024"));
        QVERIFY(found);
        QCOMPARE(result, answer);
        QCOMPARE(int(seen.icon), icon);
        QCOMPARE(seen.buttons, buttons);
        QCOMPARE(seen.defaultButton, defaultButton);
        QCOMPARE(seen.title, QStringLiteral("Atención"));
        QCOMPARE(seen.text, QStringLiteral("La clave especificada no existe"));
        QCOMPARE(seen.informative, QStringLiteral("KESTA · ERR-ID:7500024"));
        QCOMPARE(seen.module.toString(), QStringLiteral("KESTA"));
        QCOMPARE(seen.messageId.toString(), QStringLiteral("ERR-ID:7500024"));
        QCOMPARE(seen.parent, &window);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void textIsPlainAndOriginOptional()
    {
        MessageBox box(QStringLiteral("txtClave_Enter()\r\n<b>no</b> such table"), 16,
                       QStringLiteral("Velkora"), nullptr, QString(), QString());
        QCOMPARE(box.textFormat(), Qt::PlainText);
        QVERIFY(box.informativeText().isEmpty());
        QCOMPARE(MessageBox::originText(QStringLiteral("KESTA"), QString()),
                 QStringLiteral("KESTA"));
        QCOMPARE(MessageBox::originText(QString(), QStringLiteral("ERR-ID:1")),
                 QStringLiteral("ERR-ID:1"));
        QCOMPARE(box.objectName(), QStringLiteral("velkoraMessageBox"));
    }

    void textViewerShowsTheText()
    {
        ToolServicesImpl tool(QStringLiteral("unused"), QStringLiteral("X"));
        auto viewer = tool.CreateTextViewer();
        const QString script =
            QStringLiteral("INSERT INTO Layout VALUES ('0001', 'O''B');\r\n\r\n");
        QString shown;
        QString title;
        bool readOnly = false;
        bool found = false;
        whenDialogShows<TextViewerDialog>(
            [&](TextViewerDialog *dialog) {
                auto *text = dialog->findChild<QPlainTextEdit *>(QStringLiteral("txtTexto"));
                shown = text ? text->toPlainText() : QString();
                readOnly = text && text->isReadOnly();
                title = dialog->windowTitle();
                if (auto *copy = dialog->findChild<QPushButton *>(QStringLiteral("cmdCopiar")))
                    QTest::mouseClick(copy, Qt::LeftButton);
                if (auto *close = dialog->findChild<QPushButton *>(QStringLiteral("cmdCerrar")))
                    QTest::mouseClick(close, Qt::LeftButton);
                else
                    dialog->reject();
            },
            &found);
        viewer->ShowText(script, QString(), 0, 0, -1, -1, 7, -1);
        QVERIFY(found);
        QCOMPARE(shown, QStringLiteral("INSERT INTO Layout VALUES ('0001', 'O''B');\n\n"));
        QVERIFY(readOnly);
        QCOMPARE(title, QStringLiteral("Velkora"));
        QCOMPARE(QGuiApplication::clipboard()->text(), shown);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void recordToolShowsTheKeysRows()
    {
        kesta::test::TestDatabase db;
        KESTA_REQUIRE(db);
        db.exec(QStringLiteral("INSERT INTO Layout (Ly_Cve_Layout, Ly_ID, Ly_Descripcion) VALUES "
                               "('O''B', '0001', 'Uno'), ('O''B', '0002', 'Uno'), "
                               "('0002', '0001', 'Otro')"));
        ToolServicesImpl tool(db.connectionName(), QStringLiteral("X"));
        auto recordTool = tool.CreateRecordTool();
        int rows = -1;
        QStringList descriptions;
        bool found = false;
        whenDialogShows<RecordToolDialog>(
            [&](RecordToolDialog *dialog) {
                QTableWidget *grid = dialog->grid();
                rows = grid->rowCount();
                for (int c = 0; c < grid->columnCount(); ++c)
                    if (grid->horizontalHeaderItem(c)->text().compare(
                            QLatin1String("Ly_Descripcion"), Qt::CaseInsensitive) == 0)
                        for (int r = 0; r < rows; ++r)
                            descriptions << grid->item(r, c)->text();
                dialog->reject();
            },
            &found);
        recordTool->OpenRecord(QStringLiteral("Layout"), QStringLiteral("Ly_Cve_Layout"),
                               QStringLiteral("O'B"), {}, {}, {}, {});
        QVERIFY(found);
        QCOMPARE(rows, 2);
        QCOMPARE(descriptions, (QStringList{QStringLiteral("Uno"), QStringLiteral("Uno")}));
        // Names are checked before anything is read or shown.
        QVERIFY_THROWS_EXCEPTION(kesta::host::RuntimeError,
                                 recordTool->OpenRecord(QStringLiteral("Layout;--"),
                                                        QStringLiteral("Ly_Cve_Layout"),
                                                        QStringLiteral("1"), {}, {}, {}, {}));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
