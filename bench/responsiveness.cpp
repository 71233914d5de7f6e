// How responsive the window stays while it works: the longest gap between two
// turns of its event loop while a Test, a Download, an Upload and a Find
// devices scan (device IDs 1 to 20 at 9600 baud) run from the menu against
// the in-process simulated device on the real clock. The link runs on the UI
// thread and lets events run at every wait; a gap is the longest time in
// which nothing could have repainted or answered a click. Target: at most
// 50 ms (a person notices a stall from about 100 ms). Needs a display or
// QT_QPA_PLATFORM=offscreen.

#include "mainwindowfactory.h"
#include "resdll.h"
#include "simdevice.h"
#include "simulation.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <functional>

namespace {

constexpr int lastScannedId = 20;

// A timer that fires on every turn of whichever event loop runs (the
// application's, a modal window's, the link's waits), recording the longest
// time between two firings.
class LoopGaps : public QObject
{
public:
    LoopGaps()
    {
        mTimer.setTimerType(Qt::PreciseTimer);
        connect(&mTimer, &QTimer::timeout, this, [this] {
            const qint64 now = mClock.nsecsElapsed();
            mLongestNs = std::max(mLongestNs, now - mLastNs);
            mLastNs = now;
        });
        mClock.start();
        mTimer.start(1);
    }
    void reset()
    {
        mLastNs = mClock.nsecsElapsed();
        mLongestNs = 0;
    }
    double longestMs() const { return double(mLongestNs) / 1e6; }

private:
    QTimer mTimer;
    QElapsedTimer mClock;
    qint64 mLastNs = 0;
    qint64 mLongestNs = 0;
};

// The user: closes a transfer window whose transfer has ended, and in the
// Find devices dialog scans IDs 1 to 20 at 9600 baud, then closes it.
class User : public QObject
{
public:
    User()
    {
        connect(&mPoll, &QTimer::timeout, this, &User::look);
        mPoll.start(5);
    }

private:
    void look()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (modal->objectName() == QLatin1String("frmFindDevices")) {
            scan(*modal);
            return;
        }
        auto *close = modal->findChild<QAbstractButton *>(QStringLiteral("cmdCancel"));
        if (close && close->isEnabled() && mayClose(*modal))
            close->click();
    }

    // The transfer window shows Close (its text of ID 1300) once it has ended.
    static bool mayClose(const QWidget &transfer)
    {
        const auto *close = transfer.findChild<QAbstractButton *>(QStringLiteral("cmdCancel"));
        return close->text() == gResDll.GetStr(1300);
    }

    static void scan(QWidget &dialog)
    {
        dialog.findChild<QSpinBox *>(QStringLiteral("txtFirstId"))->setValue(1);
        dialog.findChild<QSpinBox *>(QStringLiteral("txtLastId"))->setValue(lastScannedId);
        for (QCheckBox *speed : dialog.findChildren<QCheckBox *>())
            speed->setChecked(speed->objectName() == QLatin1String("ckSpeed9600"));
        dialog.findChild<QAbstractButton *>(QStringLiteral("cmdStart"))->click(); // the whole scan
        static_cast<QDialog &>(dialog).reject();
    }

    QTimer mPoll;
};

void measure(LoopGaps &gaps, const char *what, const std::function<void()> &run)
{
    gaps.reset();
    QElapsedTimer wall;
    wall.start();
    run();
    const double longest = gaps.longestMs();
    QTextStream(stdout) << QStringLiteral("%1: longest gap between event loop turns %2 ms "
                                          "(target 50 ms) over %3 ms\n")
                               .arg(QLatin1String(what), -8)
                               .arg(longest, 0, 'f', 1)
                               .arg(double(wall.nsecsElapsed()) / 1e6, 0, 'f', 0);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The window keeps unsaved edits in the data folder: a scratch one, so
    // that no run is offered what an earlier one left.
    const QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    gResDll.setFilename(langLibraryPath(QCoreApplication::applicationDirPath()));
    simulation::start(std::make_shared<sim::Device>());
    const std::unique_ptr<QWidget> window = createMainWindow(true);
    window->show();
    LoopGaps gaps;
    User user;
    const auto item = [&window](const char *name) {
        return window->findChild<QAction *>(QLatin1String(name));
    };
    QTimer::singleShot(500, &app, [&] {
        measure(gaps, "Test", [&] { item("mnuDeviceTest")->trigger(); });
        measure(gaps, "Download", [&] { item("mnuDeviceDownload")->trigger(); });
        measure(gaps, "Upload", [&] { item("mnuDeviceUpload")->trigger(); });
        measure(gaps, "Scan", [&] { item("mnuDeviceFind")->trigger(); });
        QApplication::quit();
    });
    return app.exec();
}
