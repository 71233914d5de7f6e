#pragma once

#include <QObject>
#include <QString>

class QMenu;

// File > Recent files: the files last opened or saved, newest first, each
// once, at most `count` of them, kept in the settings store; choosing one
// emits chosen(). The submenu is greyed while it has none.
class RecentFiles : public QObject
{
    Q_OBJECT

public:
    static constexpr int count = 8;

    explicit RecentFiles(QMenu &menu);

    // `path` to the front of the list.
    void add(const QString &path);
    void remove(const QString &path);

signals:
    void chosen(const QString &path);

private:
    void fill();

    QMenu &mMenu;
};
