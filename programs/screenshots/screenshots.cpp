// Takes the pictures of the program for its documentation, with the simulated
// device: the configuration window after a download, the same window with a
// numbered marker on every control (the manual's legend explains them), the
// transfer window as that download ends, the Device menu open, Find devices
// after a scan, Compare with device after the device was changed, and the
// transfer window of a Test that found no device. Run under a display server
// (scripts/screenshots starts one); writes the screenshot-*.png files into the
// folder given as its argument.
#include "callouts.h"
#include "eepromimage.h"
#include "mainwindowfactory.h"
#include "modclosebtn.h"
#include "resdll.h"
#include "simdevice.h"
#include "simulation.h"
#include "startup.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <functional>
#include <utility>

namespace {

constexpr int pollMs = 50;
constexpr int settleMs = 400;
constexpr int giveUpMs = 90000;
// The marked picture is drawn at twice the window's size, to print sharply.
constexpr int calloutScale = 2;
// Around the window and its open menu in the screen's picture.
constexpr int menuMargin = 8;

// The controls of the main window's designed area (the menu bar has a
// picture of its own) in the order of the manual's legend ("The main
// window"): a caption and its field are one item.
std::vector<callouts::Callout> mainWindowCallouts()
{
    using callouts::Anchor;
    std::vector<callouts::Callout> items;
    for (const char *button : {"cmdOpen", "cmdSave", "cmdSaveAs", "cmdClear", "cmdTest",
                               "cmdDownload", "cmdUpload", "cmdExit", "cmdHelp"})
        items.push_back({{QStringLiteral("mTBar/") + QLatin1String(button)}});
    const auto strip = [](const char *caption, const char *field) {
        return callouts::Callout{{QStringLiteral("mTBar/Picture1/") + QLatin1String(caption),
                                  QStringLiteral("mTBar/Picture1/") + QLatin1String(field)}};
    };
    items.push_back(strip("Label1_7", "txtSN"));
    items.push_back(strip("Label1_2", "cbComm"));
    items.push_back(strip("Label1_3", "lbSpeed"));
    items.push_back(strip("Label1_0", "lbSN"));
    items.push_back(strip("Label1_1", "lbID"));
    items.push_back({{"Label1_1", "cbBaud"}});
    items.push_back({{"Label1_3", "txtTimeout", "Label1_4"}});
    items.push_back({{"ckAlarmSystem"}});
    items.push_back({{"Label1_0", "fg1"}, Anchor::AfterFirst});
    items.push_back({{"Label1_2", "fg2"}, Anchor::AfterFirst});
    items.push_back({{"mSBar1"}, Anchor::TopLeft});
    return items;
}

// A configuration worth looking at, written into the device's EEPROM.
void loadSampleConfiguration(sim::Device &device)
{
    namespace layout = tqimage::layout;
    std::vector<std::uint8_t> &eeprom = device.eeprom();
    // Image position p is EEPROM address p - 1.
    auto at = [&eeprom](int position) -> std::uint8_t & { return eeprom[position - 1]; };
    at(layout::posBaud) = 4; // 19200 baud
    at(layout::posFlags) = layout::flagAlarmSystem;
    at(layout::posDwell) = 15;
    const std::uint8_t inputs[] = {0xE1, 0xA1, 0x22, 0x23, 0x84, 0x05, 0x40, 0x60};
    for (int n = 0; n < layout::recordCount; ++n)
        at(layout::posFirstInput + n) = inputs[n % std::size(inputs)];
    for (int n = 0; n < layout::recordCount; ++n)
        at(layout::posFirstOutput + n) =
            (n % 3 == 0 ? layout::outputPowerOnBit : 0) | (n % 4 == 1 ? layout::outputAlarmBit : 0);
}

// What a colleague changed in the device since the window's download.
void changeSampleConfiguration(sim::Device &device)
{
    namespace layout = tqimage::layout;
    std::vector<std::uint8_t> &eeprom = device.eeprom();
    eeprom[layout::posDwell - 1] = 20;
    eeprom[layout::posFirstInput + 2 - 1] = 0x25;   // input 3: group 5
    eeprom[layout::posFirstOutput + 3 - 1] |= 0x80; // output 4: alarm
}

bool saveImage(const QImage &image, const QString &path)
{
    const bool saved = image.save(path);
    std::fprintf(stderr, "%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

bool save(QWidget &widget, const QString &path)
{
    return saveImage(widget.grab().toImage(), path);
}

bool saveCallouts(QWidget &window, const QString &path)
{
    QString missing;
    auto *area = window.findChild<QWidget *>(QStringLiteral("clientArea"));
    const QImage marked =
        area ? callouts::draw(*area, mainWindowCallouts(), calloutScale, missing) : QImage();
    if (!area)
        missing = QStringLiteral("clientArea");
    if (!missing.isEmpty()) {
        std::fprintf(stderr, "the main window has no control %s\n", qPrintable(missing));
        return false;
    }
    return saveImage(marked, path);
}

void settle()
{
    QTimer wait;
    wait.setSingleShot(true);
    wait.start(settleMs);
    while (wait.isActive())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// The user at the modal windows while a menu item runs: a transfer window is
// photographed once its transfer has ended (when a picture is asked for) and
// closed; Find devices scans device IDs 1 to 10 at 9600 baud; the dialogs are
// photographed and closed.
class DialogHand : public QObject
{
public:
    DialogHand()
    {
        connect(&mTimer, &QTimer::timeout, this, &DialogHand::poll);
        mTimer.start(pollMs);
    }

    // The picture of the next transfer window or dialog ("": none).
    QString transferPicture, dialogPicture;
    int saved = 0, failed = 0;

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || mBusy)
            return;
        mBusy = true;
        const QString name = modal->objectName();
        if (name == QLatin1String("frmEEPROM"))
            transferWindow(*modal);
        else if (name == QLatin1String("frmFindDevices"))
            findDevices(static_cast<QDialog &>(*modal));
        else if (name == QLatin1String("frmCompare"))
            compare(static_cast<QDialog &>(*modal));
        mBusy = false;
    }

    void transferWindow(QWidget &window)
    {
        if (modCloseBtn::isCloseGreyed(&window)) {
            mRunning = true;
            return;
        }
        if (!mRunning)
            return;
        mRunning = false;
        settle();
        if (!transferPicture.isEmpty())
            count(save(window, std::exchange(transferPicture, QString())));
        window.close();
    }

    void findDevices(QDialog &dialog)
    {
        dialog.findChild<QSpinBox *>(QStringLiteral("txtLastId"))->setValue(10);
        for (QCheckBox *speed : dialog.findChildren<QCheckBox *>())
            speed->setChecked(speed->objectName() == QLatin1String("ckSpeed9600"));
        dialog.findChild<QAbstractButton *>(QStringLiteral("cmdStart"))->click(); // the scan
        photograph(dialog);
    }

    // Three differences need less room than the dialog offers.
    void compare(QDialog &dialog)
    {
        dialog.resize(dialog.width(), dialog.sizeHint().height());
        photograph(dialog);
    }

    void photograph(QDialog &dialog)
    {
        settle();
        count(save(dialog, std::exchange(dialogPicture, QString())));
        dialog.reject();
    }

    void count(bool ok) { ++(ok ? saved : failed); }

    QTimer mTimer;
    bool mRunning = false;
    bool mBusy = false;
};

// The window with its Device menu open, as the screen shows them.
bool saveMenu(QWidget &window, const QString &path)
{
    auto *bar = window.findChild<QMenuBar *>(QStringLiteral("mnuBar"));
    auto *menu = window.findChild<QMenu *>(QStringLiteral("mnuDevice"));
    bar->setActiveAction(menu->menuAction());
    settle();
    const QRect shown = (window.frameGeometry() | menu->geometry())
                            .adjusted(-menuMargin, -menuMargin, menuMargin, menuMargin);
    const QPixmap screen = window.screen()->grabWindow(0);
    menu->hide();
    return saveImage(screen.copy(shown).toImage(), path);
}

QAction *item(QWidget &window, const char *name)
{
    return window.findChild<QAction *>(QLatin1String(name));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    gResDll.setFilename(langLibraryPath(QCoreApplication::applicationDirPath()));
    auto device = std::make_shared<sim::Device>();
    loadSampleConfiguration(*device);
    simulation::start(device);
    const std::unique_ptr<QWidget> window = createMainWindow(true);
    window->show();
    settle();
    QTimer::singleShot(giveUpMs, &app, [] {
        std::fprintf(stderr, "the pictures were not done in time\n");
        QApplication::exit(1);
    });
    DialogHand hand;
    const auto picture = [&out](const char *name) { return out.filePath(QLatin1String(name)); };

    hand.transferPicture = picture("screenshot-transfer.png");
    item(*window, "mnuDeviceDownload")->trigger(); // returns when the transfer window has closed
    if (auto *timeout = window->findChild<QLineEdit *>(QStringLiteral("txtTimeout")))
        timeout->setFocus();
    settle();
    bool ok = save(*window, picture("screenshot-main.png")) &&
              saveCallouts(*window, picture("screenshot-main-callouts.png")) &&
              saveMenu(*window, picture("screenshot-menu.png"));

    hand.dialogPicture = picture("screenshot-finddevices.png");
    item(*window, "mnuDeviceFind")->trigger();
    changeSampleConfiguration(*device);
    hand.dialogPicture = picture("screenshot-compare.png");
    item(*window, "mnuDeviceCompare")->trigger();
    // No device has ID 9: the search tries every speed twice (about 20 s).
    window->findChild<QLineEdit *>(QStringLiteral("txtSN"))->setText(QStringLiteral("9"));
    hand.transferPicture = picture("screenshot-transfer-noanswer.png");
    item(*window, "mnuDeviceTest")->trigger();
    return ok && hand.saved == 4 && hand.failed == 0 ? 0 : 1;
}
