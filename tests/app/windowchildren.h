#pragma once

// Finding and pressing the main window's controls by their names.

#include <QAbstractButton>
#include <QTest>
#include <QWidget>

template <typename T> T *childOf(const QWidget &window, const char *name)
{
    auto *found = window.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

inline void clickButton(const QWidget &window, const char *name)
{
    QTest::mouseClick(childOf<QAbstractButton>(window, name), Qt::LeftButton);
}
