#pragma once

// The test classes of an area, each in a file of its own, that the area's one executable runs
// in turn: a file adds its class with
// `[[maybe_unused]] static const bool added = addTestClass<TheClass>();`.

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace kesta::test {

using TestClasses = std::vector<std::function<std::unique_ptr<QObject>()>>;

inline TestClasses &testClasses()
{
    static TestClasses classes;
    return classes;
}

template <typename T> bool addTestClass()
{
    testClasses().push_back([] { return std::make_unique<T>(); });
    return true;
}

} // namespace kesta::test
