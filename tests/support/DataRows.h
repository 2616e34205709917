#pragma once

// A data-driven test's columns declared at once: dataColumns<QString, int>({"text", "length"})
// adds the columns and returns a function that adds a row, add("tag", u"abc"_s, 3), each
// value taken as its column's type; the test takes the row's values at once with
// `auto [text, length] = fetchColumns<QString, int>({"text", "length"});`.

#include <QtTest>
#include <array>
#include <tuple>
#include <utility>

namespace kesta::test {

template <typename... Types>
auto dataColumns(const std::array<const char *, sizeof...(Types)> &names)
{
    std::size_t i = 0;
    (QTest::addColumn<Types>(names[i++]), ...);
    return [](const QByteArray &tag, const Types &...values) {
        (QTest::newRow(tag.constData()) << ... << values);
    };
}

template <typename... Types>
std::tuple<Types...> fetchColumns(const std::array<const char *, sizeof...(Types)> &names)
{
    return [&]<std::size_t... I>(std::index_sequence<I...>)
    {
        return std::tuple<Types...>{
            *static_cast<Types *>(QTest::qData(names[I], qMetaTypeId<Types>()))...};
    }
    (std::index_sequence_for<Types...>{});
}

} // namespace kesta::test
