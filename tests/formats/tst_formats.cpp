// The formats area in one process: the test classes of formats/*Tests.cpp, in turn; fails when
// any of them does. Test functions named on the command line run in the classes that have them.

#include "support/TestClasses.h"

#include <QtTest>
#include <algorithm>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::vector<std::unique_ptr<QObject>> classes;
    for (const auto &make : kesta::test::testClasses())
        classes.push_back(make());
    // Whether `arg` ("name" or "name:tag") names a test function of the class.
    const auto has = [](const std::unique_ptr<QObject> &object, const char *arg) {
        const QByteArray name = QByteArray(arg).split(':').first() + "()";
        return object->metaObject()->indexOfMethod(name.constData()) >= 0;
    };
    const auto isFunction = [&](const char *arg) {
        return std::any_of(classes.begin(), classes.end(), [&](auto &c) { return has(c, arg); });
    };
    const bool anyFunction = std::any_of(argv + 1, argv + argc, isFunction);
    int failed = 0;
    for (const auto &object : classes) {
        // Its own functions and the options (with their values) that go to every class.
        std::vector<char *> args{argv[0]};
        for (int i = 1; i < argc; ++i)
            if (has(object, argv[i]) || !isFunction(argv[i]))
                args.push_back(argv[i]);
        const bool named =
            std::any_of(argv + 1, argv + argc, [&](char *a) { return has(object, a); });
        if (!anyFunction || named)
            failed += QTest::qExec(object.get(), int(args.size()), args.data());
    }
    return failed;
}
