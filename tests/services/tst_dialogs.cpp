// The host's message box, driven as a user would: the real modal box is found while it runs
// and its buttons are clicked.

#include "services/CoreServicesImpl.h"
#include "services/MessageBox.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;
using velkora::services::MessageBox;

namespace {

// Runs `act` on the modal message box once it shows (polled from the box's event loop).
void whenShown(std::function<void(MessageBox *)> act, bool *found, int attempts = 50)
{
    QTimer::singleShot(10, [act, found, attempts] {
        auto *box = qobject_cast<MessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return attempts > 0 ? whenShown(act, found, attempts - 1) : void();
        *found = true;
        act(box);
    });
}

} // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void stylesAndAnswers_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("buttons"); // sorted, the default one marked *
        QTest::addColumn<QString>("click");   // a button, or ESC
        QTest::addColumn<int>("answer");
        const int stop = QMessageBox::Critical, ask = QMessageBox::Question;
        QTest::newRow("16") << 16 << stop << u"btnOK*"_s << u"btnOK"_s << 1;
        QTest::newRow("36 yes") << 36 << ask << u"btnNo btnYes*"_s << u"btnYes"_s << 6;
        QTest::newRow("36 no") << 36 << ask << u"btnNo btnYes*"_s << u"btnNo"_s << 7;
        QTest::newRow("36 escape is no") << 36 << ask << u"btnNo btnYes*"_s << u"ESC"_s << 7;
        QTest::newRow("292 default no") << 292 << ask << u"btnNo* btnYes"_s << u"btnYes"_s << 6;
        QTest::newRow("48") << 48 << int(QMessageBox::Warning) << u"btnOK*"_s << u"btnOK"_s << 1;
        QTest::newRow("64") << 64 << int(QMessageBox::Information) << u"btnOK*"_s << u"ESC"_s << 1;
        QTest::newRow("33 cancel") << 33 << ask << u"btnCancel btnOK*"_s << u"btnCancel"_s << 2;
        QTest::newRow("35 escape") << 35 << ask << u"btnCancel btnNo btnYes*"_s << u"ESC"_s << 2;
    }
    void stylesAndAnswers()
    {
        QFETCH(int, style);
        QFETCH(int, icon);
        QFETCH(QString, buttons);
        QFETCH(QString, click);
        QFETCH(int, answer);
        QWidget window;
        auto *field = new QLineEdit(&window);
        window.show();
        QStringList seen;
        bool found = false;
        whenShown(
            [&](MessageBox *box) {
                QStringList names;
                for (QAbstractButton *button : box->buttons())
                    names << button->objectName() +
                                 (button == box->defaultButton() ? u"*"_s : u""_s);
                names.sort();
                seen << box->windowTitle() << box->text() << box->informativeText()
                     << QString::number(box->icon()) << names.join(u' ')
                     << box->property("module").toString() << box->property("messageId").toString()
                     << (box->parentWidget() == &window ? u"owned"_s : u"not owned"_s)
                     << (box->textFormat() == Qt::PlainText ? u"plain"_s : u"rich"_s);
                if (click == "ESC"_L1)
                    QTest::keyClick(box, Qt::Key_Escape);
                else if (auto *button = box->findChild<QAbstractButton *>(click))
                    QTest::mouseClick(button, Qt::LeftButton);
            },
            &found);
        const int result = velkora::services::CoreServicesImpl(u"unused"_s, u"X"_s)
                               .ShowMessage(u"La clave <b>no</b> existe"_s, style, u"Atención"_s,
                                            field, u"KESTA"_s, u"ERR-ID:7500024"_s);
        QVERIFY(found && !QApplication::activeModalWidget());
        QCOMPARE(result, answer);
        QCOMPARE(seen, (QStringList{u"Atención"_s, u"La clave <b>no</b> existe"_s,
                                    u"KESTA · ERR-ID:7500024"_s, QString::number(icon), buttons,
                                    u"KESTA"_s, u"ERR-ID:7500024"_s, u"owned"_s, u"plain"_s}));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
