// The formats area in one process: the field formats, the script writer, the line index, the
// stored formats and the load-format test (formats/*Tests.cpp); fails when any of them does.
// Test functions named on the command line run in the classes that have them, and only there.

#include "support/TestClasses.h"

#include <QtTest>

namespace {

// True when `arg` ("name" or "name:tag") names a test function of the object's class.
bool namesFunctionOf(const QObject &object, const QByteArray &arg)
{
    const qsizetype colon = arg.indexOf(':');
    const QByteArray name = (colon < 0 ? arg : arg.left(colon)) + "()";
    return object.metaObject()->indexOfMethod(name.constData()) >= 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::vector<std::unique_ptr<QObject>> classes;
    for (const auto &make : kesta::test::testClasses())
        classes.push_back(make());
    // The arguments that name a function of some class; the rest (options and their values)
    // go to every class.
    const auto isFunction = [&](const QByteArray &arg) {
        if (arg.startsWith('-'))
            return false;
        for (const auto &object : classes)
            if (namesFunctionOf(*object, arg))
                return true;
        return false;
    };
    bool anyFunction = false;
    for (int i = 1; i < argc; ++i)
        anyFunction = anyFunction || isFunction(argv[i]);

    int failed = 0;
    for (const auto &object : classes) {
        std::vector<char *> args{argv[0]};
        bool named = false;
        for (int i = 1; i < argc; ++i) {
            if (!isFunction(argv[i])) {
                args.push_back(argv[i]);
            } else if (namesFunctionOf(*object, argv[i])) {
                args.push_back(argv[i]);
                named = true;
            }
        }
        if (anyFunction && !named)
            continue;
        failed += QTest::qExec(object.get(), int(args.size()), args.data());
    }
    return failed;
}
