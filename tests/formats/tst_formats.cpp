// The formats area in one process: the field formats, the script writer, the line index, the
// stored formats and the load-format test (formats/*Tests.cpp); fails when any of them does.
// Test functions named on the command line run in the classes that have them, and only there.

#include "support/TestClasses.h"

#include <QtTest>
#include <algorithm>

namespace {

// True when `arg` ("name" or "name:tag") names a test function of the object's class.
bool namesFunctionOf(const QObject &object, const char *arg)
{
    const QByteArray name = QByteArray(arg).split(':').first() + "()";
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
    const auto isFunction = [&](const char *arg) {
        return std::any_of(classes.begin(), classes.end(),
                           [&](const auto &object) { return namesFunctionOf(*object, arg); });
    };
    const bool anyFunction = std::any_of(argv + 1, argv + argc, isFunction);

    int failed = 0;
    for (const auto &object : classes) {
        std::vector<char *> args{argv[0]};
        bool named = false;
        for (int i = 1; i < argc; ++i) {
            const bool own = namesFunctionOf(*object, argv[i]);
            named = named || own;
            if (own || !isFunction(argv[i]))
                args.push_back(argv[i]);
        }
        if (!anyFunction || named)
            failed += QTest::qExec(object.get(), int(args.size()), args.data());
    }
    return failed;
}
