#pragma once

// Data-driven tests over a table of structs, one row a case named by its
// first member `name`: the _data function adds the rows, the test function
// takes the case of the row it runs.

#include <QTest>

#include <cstddef>

template <typename Case, std::size_t n> void addCaseRows(const Case (&cases)[n])
{
    QTest::addColumn<int>("case");
    for (std::size_t i = 0; i < n; ++i)
        QTest::newRow(cases[i].name) << int(i);
}

template <typename Case, std::size_t n> const Case &currentCase(const Case (&cases)[n])
{
    return cases[*static_cast<const int *>(QTest::qData("case", qMetaTypeId<int>()))];
}
