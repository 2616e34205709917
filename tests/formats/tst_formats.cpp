// The formats area in one process: the field formats, the script writer, the line index, the
// stored formats and the load-format test (formats/*Tests.cpp); fails when any of them does.

#include "support/TestClasses.h"

#include <QtTest>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int failed = 0;
    for (const auto &make : kesta::test::testClasses())
        failed += QTest::qExec(make().get(), argc, argv);
    return failed;
}
