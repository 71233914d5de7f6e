#include "recentfiles.h"

#include "settingsstore.h"

#include <QDir>
#include <QMenu>

RecentFiles::RecentFiles(QMenu &menu) : QObject(&menu), mMenu(menu)
{
    fill();
}

void RecentFiles::add(const QString &path)
{
    QStringList files = settingsstore::recentFiles();
    files.removeAll(path);
    files.prepend(path);
    settingsstore::setRecentFiles(files.mid(0, count));
    fill();
}

void RecentFiles::remove(const QString &path)
{
    QStringList files = settingsstore::recentFiles();
    files.removeAll(path);
    settingsstore::setRecentFiles(files);
    fill();
}

// The items are numbered, the number their access key.
void RecentFiles::fill()
{
    mMenu.clear();
    const QStringList files = settingsstore::recentFiles().mid(0, count);
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString &path = files[i];
        const QString shown = QDir::toNativeSeparators(path).replace(u'&', QStringLiteral("&&"));
        QAction *item = mMenu.addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
        item->setObjectName(QStringLiteral("mnuFileRecent%1").arg(i + 1));
        connect(item, &QAction::triggered, this, [this, path] { emit chosen(path); });
    }
    mMenu.setEnabled(!files.isEmpty());
}
