// The numbers the screen's load gives the fields of a stored format, and the rules that follow
// them: what the screen's test names a field by.

#include "FormatSamples.h"
#include "formats/LoadNumbers.h"
#include "support/TestClasses.h"

#include <QtTest>

using namespace formats_test;
using velkora::formats::RuleDef;

class TestLoadNumbers : public QObject {
    Q_OBJECT

private slots:
    void fieldsAndRulesTakeTheLoadsNumbers()
    {
        // Stored out of the load's order: the load reads line types and fields by the length of
        // their numbers first ("10000" after "9999"), fields of no line type where their line
        // number places them.
        LoadFormat stored = formatOf("NUM", {lineType("0001", "1", "Cabecera", 1, 1,
                                                      {{"0002", "Banco", 2, 4, Texto},
                                                       {"0005", "Fecha", 6, 8, Fecha}}),
                                             lineType("0003", "3", "Total", 1, 1,
                                                      {{"9999", "Cuenta", 2, 5, Numero},
                                                       {"10000", "Suma", 7, 9, Numero}})});
        stored.orphanFields << FieldDef{u"0002"_s, u"0001"_s, u"Suelto"_s, 1, 1, u"02"_s,
                                        {},        {},        false};
        stored.rules = {RuleDef{u"0001"_s, u"0003"_s, u"10000"_s, u"SUMA 0001.0005"_s, {}},
                        RuleDef{u"0002"_s, u"3"_s, u"9999"_s, u"SUMA 1.5 DESDE 0001"_s, {}},
                        RuleDef{u"0003"_s, u"0001"_s, {}, u"VECES 1"_s, {}},
                        RuleDef{u"0004"_s, u"0003"_s, u"0001"_s, u"SUMA 0001.0007"_s, {}}};

        const LoadFormat shown = velkora::formats::withLoadNumbers(stored);

        QStringList fields;
        for (const auto &type : shown.lineTypes) {
            for (const auto &field : type.fields)
                fields << type.order + u'.' + field.id + u' ' + field.description;
        }
        for (const auto &field : shown.orphanFields)
            fields << field.lineOrder + u'.' + field.id + u' ' + field.description;
        QCOMPARE(fields, (QStringList{u"0001.0000 Banco"_s, u"0001.0010 Fecha"_s,
                                      u"0003.0030 Cuenta"_s, u"0003.0040 Suma"_s,
                                      u"0002.0020 Suelto"_s}));

        QStringList rules;
        for (const RuleDef &rule : shown.rules)
            rules << rule.lineOrder + u'|' + rule.fieldId + u'|' + rule.text;
        // A rule on a field that is not there, or naming one, is left as stored: the test's
        // review says it cannot be used.
        QCOMPARE(rules, (QStringList{u"0003|0040|SUMA 0001.0010"_s, u"3|0030|SUMA 1.0010 DESDE 0001"_s,
                                     u"0001||VECES 1"_s, u"0003|0001|SUMA 0001.0007"_s}));

        // Everything but the numbers as stored.
        LoadFormat back = shown;
        back.lineTypes = stored.lineTypes;
        back.orphanFields = stored.orphanFields;
        back.rules = stored.rules;
        QCOMPARE(back, stored);
    }
};

[[maybe_unused]] static const bool added = kesta::test::addTestClass<TestLoadNumbers>();

#include "LoadNumbersTests.moc"
