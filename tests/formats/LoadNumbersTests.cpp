// The numbers the screen's load gives the fields of a stored format, and the rules that follow
// them: what the screen's test names a field by.

#include "FormatSamples.h"
#include "formats/LoadNumbers.h"
#include "formats/RuleParser.h"
#include "formats/RuleRenumber.h"
#include "support/TestClasses.h"

#include <QtTest>

using namespace formats_test;
using velkora::formats::RuleDef;

class TestLoadNumbers : public QObject {
    Q_OBJECT

private slots:
    // What a rule's text names by number follows its line type and field; values, counts of
    // digits, words and blanks stay as written.
    void ruleTextsFollowTheirNumbers_data()
    {
        const auto row = dataColumns<QString, QString, bool>({"text", "carried", "whole"});
        const auto add = [&](const char *text, const char *carried, bool whole = true) {
            row(text, text, carried, whole);
        };
        add("SUMA 0002.0030", "SUMA 0012.0050");
        add("suma  2 . 30 desde 0001", "suma  0012 . 0050 desde 0001");
        add("SUMA 0002.0030,0006.0020 SI 0002.0010 = 2|0002 DESDE 0002 ULTIMOS 2",
            "SUMA 0012.0050,0006.0070 SI 0012.0060 = 2|0002 DESDE 0012 ULTIMOS 2");
        add("IGUAL NEGATIVO SI 0002.0010 = 2 A 0006.0020 NEGATIVO SI 0002.0010 = - + 0002.0030 "
            "- SUMA 0002.0030 DESDE 0006",
            "IGUAL NEGATIVO SI 0012.0060 = 2 A 0006.0070 NEGATIVO SI 0012.0060 = - + 0012.0050 "
            "- SUMA 0012.0050 DESDE 0006");
        add("CUENTA 0002, 0006 DESDE 0002", "CUENTA 0012, 0006 DESDE 0012");
        add("TRAS INICIO,0002", "TRAS INICIO,0012");
        add("PREVALECE SOBRE 2,6", "PREVALECE SOBRE 0012,6");
        // Kinds that name no line type or field, and a text that does not read.
        add("VALORES 2|0002.0030", "VALORES 2|0002.0030");
        add("ENTRE 2.30 6.20", "ENTRE 2.30 6.20");
        add("SUMA DE 0002.0030", "SUMA DE 0002.0030");
        // Something named is gone: the rest is carried, its number stays.
        add("TRAS 0002,0009", "TRAS 0012,0009", false);
        add("SUMA 0002.0031 DESDE 0002", "SUMA 0012.0031 DESDE 0012", false);
    }
    void ruleTextsFollowTheirNumbers()
    {
        auto [text, whole] = fetchColumns<QString, bool>({"text", "whole"});
        const auto line = [](const QString &t) {
            const qint64 n = velkora::formats::orderNumber(t);
            return n == 9 ? QString() : n == 2 ? u"0012"_s : t;
        };
        const auto field = [](const QString &t, const QString &f) {
            const qint64 line = velkora::formats::orderNumber(t);
            const qint64 n = velkora::formats::orderNumber(f);
            if (line == 2)
                return n == 30 ? u"0050"_s : n == 10 ? u"0060"_s : QString();
            return line == 6 && n == 20 ? u"0070"_s : f;
        };
        QString why;
        QVERIFY2(!text.startsWith(u"IGUAL"_s) || velkora::formats::parseRule(text, &why),
                 qPrintable(why));
        QCOMPARE(velkora::formats::renumberRuleText(text, {line, field}), whole);
        QTEST(text, "carried");
    }

    void fieldsAndRulesTakeTheLoadsNumbers()
    {
        // Stored out of the load's order: the load reads line types and fields by the length of
        // their numbers first ("10000" after "9999"), fields of no line type where their line
        // number places them.
        LoadFormat stored = formatOf(
            "NUM", {lineType("0001", "1", "Cabecera", 1, 1, "0002|Banco|2|4|T; 0005|Fecha|6|8|F"),
                    lineType("0003", "3", "Total", 1, 1, "9999|Cuenta|2|5|N; 10000|Suma|7|9|N")});
        stored.orphanFields << fieldDef(u"0002"_s, u"0001|Suelto|1|1|T"_s);
        stored = withRules(stored, {u"0003|10000|SUMA 0001.0005"_s, u"3|9999|SUMA 1.5 DESDE 0001"_s,
                                    u"0001||VECES 1"_s, u"0003|0001|SUMA 0001.0007"_s});

        const LoadFormat shown = velkora::formats::withLoadNumbers(stored);

        QStringList fields;
        for (const auto &type : shown.lineTypes) {
            for (const auto &field : type.fields)
                fields << type.order + u'.' + field.id + u' ' + field.description;
        }
        for (const auto &field : shown.orphanFields)
            fields << field.lineOrder + u'.' + field.id + u' ' + field.description;
        QCOMPARE(fields,
                 (QStringList{u"0001.0000 Banco"_s, u"0001.0010 Fecha"_s, u"0003.0030 Cuenta"_s,
                              u"0003.0040 Suma"_s, u"0002.0020 Suelto"_s}));

        QStringList rules;
        for (const RuleDef &rule : shown.rules)
            rules << rule.lineOrder + u'|' + rule.fieldId + u'|' + rule.text;
        // A rule on a field that is not there, or naming one, is left as stored: the test's
        // review says it cannot be used.
        QCOMPARE(rules,
                 (QStringList{u"0003|0040|SUMA 0001.0010"_s, u"3|0030|SUMA 1.0010 DESDE 0001"_s,
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
