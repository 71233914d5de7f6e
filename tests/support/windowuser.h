#pragma once

// Plays the user at the configuration window: a window shown and active over
// the language library, its settings and recovery files in folders of their own, the manual's
// opener, the message boxes and the file dialogs answered (each answer taken
// in order, "" cancels), menus chosen with their access keys, and the
// transfer window's last words read before it is closed.

#include "filedialogs.h"
#include "frmeeprom.h"
#include "frmtq540_2.h"
#include "helpfile.h"
#include "msgbox.h"
#include "portlist.h"
#include "resdll.h"

#include <QtTest>
#include <QtWidgets>

// The file dialogs asked, each as its mode and its pattern.
struct AskedDialog
{
    filedialogs::Mode mode;
    QString pattern;
};

class WindowUser : public QObject
{
public:
    WindowUser()
    {
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit()); // the recovery files
        connect(&poll, &QTimer::timeout, this, &WindowUser::closeEndedTransfer);
        poll.start(1);
    }

    // A new window over the settings and recovery files the last one left,
    // or over none.
    void show(bool keepSettings = false)
    {
        window.reset();
        if (!keepSettings) {
            QFile::remove(config.filePath(QStringLiteral("Corvant/kWare.ini")));
            QDir(data.path()).removeRecursively();
        }
        window = std::make_unique<frmTQ540_2>();
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    // A new window over the language library and no settings, nothing recorded yet.
    void start()
    {
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
        show();
        opened.clear();
        messages.clear();
        asked.clear();
        transferEnds.clear();
        viewerTakes = true;
    }

    // A control of the window (or of `in`), or the window itself.
    template <typename T = QWidget> T *child(const char *name, QWidget *in = nullptr) const
    {
        QWidget *root = in ? in : window.get();
        auto *found = root->objectName() == QLatin1String(name)
                          ? qobject_cast<T *>(root)
                          : root->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }

    void click(const char *button) const
    {
        QTest::mouseClick(child<QAbstractButton>(button), Qt::LeftButton);
    }

    // Opens a menu with Alt and its access key, and chooses an item with its own.
    void choose(const char *menu, const char *item)
    {
        window->activateWindow(); // back from a dialog that was closed
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        auto *popup = child<QMenu>(menu);
        QTest::keyClick(window.get(), accessKey(popup->title()), Qt::AltModifier);
        QTRY_VERIFY(popup->isVisible());
        QTest::keyClick(popup, accessKey(child<QAction>(item)->text()));
    }

    static Qt::Key accessKey(const QString &text)
    {
        const qsizetype amp = text.indexOf(u'&');
        return amp < 0 ? Qt::Key_unknown : Qt::Key(text.at(amp + 1).toUpper().unicode());
    }

    QTemporaryDir config, data, files;
    std::unique_ptr<frmTQ540_2> window;
    QList<QUrl> opened;
    bool viewerTakes = true; // whether the manual's viewer opens it
    QStringList messages, answers;
    QList<AskedDialog> asked;
    QStringList transferEnds; // "status | detail" of each transfer window closed
    // The machine's own serial ports stay out of the COM lists.
    portlist::ScopedSource noPorts{[] { return std::vector<portlist::SystemPort>{}; }};
    helpfile::ScopedOpener opener{[this](const QUrl &url) {
        opened << url;
        return viewerTakes;
    }};
    msgbox::ScopedPresenter boxes{
        [this](QWidget *, const QString &text, msgbox::Icon) { messages << text; }};
    filedialogs::ScopedPresenter dialogs{[this](QFileDialog &dialog, filedialogs::Mode mode) {
        asked << AskedDialog{mode, dialog.nameFilters().join(u';')};
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }};

private:
    void closeEndedTransfer()
    {
        auto *transfer = qobject_cast<frmEEPROM *>(QApplication::activeModalWidget());
        if (!transfer || !transfer->isVisible() || !transfer->transferEnded())
            return;
        transferEnds << transfer->findChild<QLabel *>(QStringLiteral("lbMsg"))->text() + " | " +
                            transfer->findChild<QLabel *>(QStringLiteral("lbDetail"))->text();
        QTest::mouseClick(transfer->findChild<QPushButton *>(QStringLiteral("cmdCancel")),
                          Qt::LeftButton);
    }

    QTimer poll;
};
