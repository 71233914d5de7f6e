#pragma once

// The configuration window shown and active, with the language library
// loaded, its settings (COM port, size and place) in a folder of its own, the
// manual's opener and the message boxes answered; its controls found by name.

#include "frmtq540_2.h"
#include "helpfile.h"
#include "msgbox.h"
#include "resdll.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

struct WindowFixture
{
    WindowFixture() { qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit()); }

    // A new window over the stored settings of the last one, if asked.
    void show(bool keepSettings = false)
    {
        if (!keepSettings)
            QFile::remove(config.filePath(QStringLiteral("Corvant/kWare.ini")));
        opened.clear();
        messages.clear();
        viewerTakes = true;
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
        window = std::make_unique<frmTQ540_2>();
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
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

    QTemporaryDir config;
    std::unique_ptr<frmTQ540_2> window;
    QList<QUrl> opened;
    bool viewerTakes = true;
    QStringList messages;
    helpfile::ScopedOpener opener{[this](const QUrl &url) {
        opened << url;
        return viewerTakes;
    }};
    msgbox::ScopedPresenter boxes{
        [this](QWidget *, const QString &text, msgbox::Icon) { messages << text; }};
};
