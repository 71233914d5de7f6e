// Takes the pictures of the program for its documentation: the configuration
// window after a download from the simulated device, the same window with a
// numbered marker on every control (the manual's legend explains them), and
// the transfer window as that download ends. Run under a display server
// (scripts/screenshots starts one); writes screenshot-main.png,
// screenshot-main-callouts.png and screenshot-transfer.png into the folder
// given as its argument.
#include "callouts.h"
#include "eepromimage.h"
#include "mainwindowfactory.h"
#include "modclosebtn.h"
#include "resdll.h"
#include "simdevice.h"
#include "simulation.h"
#include "startup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

constexpr int pollMs = 50;
constexpr int settleMs = 400;
constexpr int giveUpMs = 30000;
// The marked picture is drawn at twice the window's size, to print sharply.
constexpr int calloutScale = 2;

// The controls of the main window in the order of the manual's legend
// ("The main window"): a caption and its field are one item.
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
    const QImage marked = callouts::draw(window, mainWindowCallouts(), calloutScale, missing);
    if (!missing.isEmpty()) {
        std::fprintf(stderr, "the main window has no control %s\n", qPrintable(missing));
        return false;
    }
    return saveImage(marked, path);
}

// Watches for the transfer window: once its transfer has ended (its Close
// command is back), it is photographed and closed.
class TransferWatcher : public QObject
{
public:
    explicit TransferWatcher(QString path) : mPath(std::move(path))
    {
        connect(&mTimer, &QTimer::timeout, this, &TransferWatcher::poll);
        mTimer.start(pollMs);
    }

    bool saved() const { return mSaved; }

private:
    void poll()
    {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        if (modCloseBtn::isCloseGreyed(dialog)) {
            mRunning = true;
            return;
        }
        if (!mRunning)
            return;
        mTimer.stop();
        QTimer::singleShot(settleMs, dialog, [this, dialog] {
            mSaved = save(*dialog, mPath);
            dialog->close();
        });
    }

    QString mPath;
    QTimer mTimer;
    bool mRunning = false;
    bool mSaved = false;
};

void settle()
{
    QTimer wait;
    wait.setSingleShot(true);
    wait.start(settleMs);
    while (wait.isActive())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
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

    auto *download = window->findChild<QAbstractButton *>(QStringLiteral("cmdDownload"));
    if (!download) {
        std::fprintf(stderr, "the toolbar has no Download button\n");
        return 1;
    }
    TransferWatcher watcher(out.filePath(QStringLiteral("screenshot-transfer.png")));
    QTimer::singleShot(giveUpMs, &app, [] {
        std::fprintf(stderr, "the download did not end in time\n");
        QApplication::exit(1);
    });
    download->click(); // returns when the transfer window has been closed
    if (auto *timeout = window->findChild<QLineEdit *>(QStringLiteral("txtTimeout")))
        timeout->setFocus();
    settle();
    const bool mainSaved =
        save(*window, out.filePath(QStringLiteral("screenshot-main.png"))) &&
        saveCallouts(*window, out.filePath(QStringLiteral("screenshot-main-callouts.png")));
    return mainSaved && watcher.saved() ? 0 : 1;
}
