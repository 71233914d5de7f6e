// The configuration window with its toolbar: saving and opening configuration
// files through the toolbar's commands, and Test, Download and Upload through
// the transfer window against the simulated device.
#include "comport.h"
#include "eepromimage.h"
#include "filedialogs.h"
#include "frmeeprom.h"
#include "frmtq540_2.h"
#include "gridcontrol.h"
#include "linkclock.h"
#include "m.h"
#include "msgbox.h"
#include "resdll.h"
#include "simdevice.h"
#include "simport.h"
#include "usercontrol1.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <climits>

using tqimage::EEPROMBuf;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

// The simulated device behind every COM port, on a manual clock so the
// link's waits (the 3-second reset wait among them) take no real time.
struct SimulatedDevice
{
    SimulatedDevice() : device(std::make_shared<sim::Device>()), scoped(clock)
    {
        previous = mComm::setPortFactory(sim::portFactory(device, sim::Route::EveryPort));
    }
    ~SimulatedDevice()
    {
        m::CloseLink(m::gLink);
        mComm::setPortFactory(previous);
    }

    // The highest EEPROM address a block request of this command touched.
    int lastAddress(std::uint8_t command) const
    {
        int last = -1;
        for (const sim::Device::Exchange &exchange : device->log()) {
            if (exchange.command == command)
                last = std::max(last, exchange.address + exchange.count - 1);
        }
        return last;
    }
    int firstAddress(std::uint8_t command) const
    {
        int first = INT_MAX;
        for (const sim::Device::Exchange &exchange : device->log()) {
            if (exchange.command == command)
                first = std::min(first, exchange.address);
        }
        return first;
    }

    std::shared_ptr<sim::Device> device;
    linkclock::ManualClock clock;
    linkclock::ScopedClock scoped;
    mComm::PortFactory previous;
};

// Plays the user at the transfer window: notes the outcome it shows when it
// goes away, and closes it once its transfer has ended.
class TransferUser : public QObject
{
public:
    TransferUser()
    {
        qApp->installEventFilter(this);
        connect(&mPoll, &QTimer::timeout, this, [] {
            auto *window = qobject_cast<frmEEPROM *>(QApplication::activeModalWidget());
            if (window && window->transferEnded())
                QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("cmdCancel")),
                                  Qt::LeftButton);
        });
        mPoll.start(1);
    }

    QStringList outcomes;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && qobject_cast<frmEEPROM *>(watched))
            outcomes << watched->findChild<QLabel *>(QStringLiteral("lbMsg"))->text();
        return false;
    }

private:
    QTimer mPoll;
};

} // namespace

class TestWindowToolbar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void saveThenOpenIsByteExact();
    void openShortFileAfterFullConfiguration();
    void testFindsTheDevice();
    void downloadDecodesTheDevice();
    void uploadWritesTheEditedConfiguration();
    void comPortStoredAndRestored();

private:
    template <typename T> T *child(const char *name) const
    {
        auto *found = mWindow->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    GridControl *fg1() const { return child<GridControl>("fg1"); }
    GridControl *fg2() const { return child<GridControl>("fg2"); }
    QLineEdit *box(const char *name) const { return child<QLineEdit>(name); }
    void click(const char *button) const
    {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    QString path(const char *name) const { return mFiles.filePath(QString::fromLatin1(name)); }
    void showWindow();
    void typeFirstRows();
    QStringList inputRow(int row) const;
    QStringList outputRow(int row) const;

    QTemporaryDir mConfig;
    QTemporaryDir mFiles;
    QStringList mMessages;
    QStringList mDialogAnswers;
    std::unique_ptr<TransferUser> mUser;
    std::unique_ptr<frmTQ540_2> mWindow;
};

void TestWindowToolbar::initTestCase()
{
    QVERIFY(mConfig.isValid());
    QVERIFY(mFiles.isValid());
    qputenv("XDG_CONFIG_HOME", mConfig.path().toLocal8Bit());
    gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
    QVERIFY(gResDll.hInstance() != 0);
    msgbox::setPresenter(
        [this](QWidget *, const QString &text, msgbox::Icon) { mMessages << text; });
    filedialogs::setPresenter([this](QFileDialog &, filedialogs::Mode) {
        return mDialogAnswers.isEmpty() ? QString() : mDialogAnswers.takeFirst();
    });
    mUser = std::make_unique<TransferUser>();
}

void TestWindowToolbar::init()
{
    EEPROMBuf.fill(0);
    m::gLink = m::tLink{};
    mMessages.clear();
    mDialogAnswers.clear();
    mUser->outcomes.clear();
    showWindow();
}

void TestWindowToolbar::cleanup()
{
    mWindow.reset();
    QVERIFY2(mMessages.isEmpty(), qPrintable(mMessages.join('\n')));
}

void TestWindowToolbar::cleanupTestCase()
{
    msgbox::setPresenter({});
    filedialogs::setPresenter({});
}

void TestWindowToolbar::showWindow()
{
    mWindow = std::make_unique<frmTQ540_2>();
    mWindow->show();
    mWindow->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(mWindow.get()));
}

// Input 1: type 1, alarm, group 5, latch (0xE5); output 1: on, alarm (0x81).
void TestWindowToolbar::typeFirstRows()
{
    QTest::keyClicks(box("txt_gd"), "1");
    QTest::keyClick(box("txt_gd"), Qt::Key_Right);
    QTest::keyClicks(box("txtcheckbox"), "x");
    QTest::keyClick(box("txtcheckbox"), Qt::Key_Right);
    QTest::keyClicks(box("txt_gd"), "5");
    QTest::keyClick(box("txt_gd"), Qt::Key_Right);
    QTest::keyClicks(box("txtcheckbox"), "x");
    QTest::keyClick(box("txtcheckbox"), Qt::Key_Escape);
    QTest::keyClicks(box("Text1"), "1");
    QTest::keyClick(box("Text1"), Qt::Key_Right);
    QTest::keyClicks(box("txtCheck2"), "x");
    // Left in the box, uncommitted: encoding must pick it up.
}

QStringList TestWindowToolbar::inputRow(int row) const
{
    QStringList cells;
    for (int col = 1; col <= 4; ++col)
        cells << fg1()->TextMatrix(row, col);
    return cells;
}

QStringList TestWindowToolbar::outputRow(int row) const
{
    return {fg2()->TextMatrix(row, 1), fg2()->TextMatrix(row, 2)};
}

void TestWindowToolbar::saveThenOpenIsByteExact()
{
    typeFirstRows();
    child<QComboBox>("cbBaud")->setCurrentIndex(4);
    box("txtTimeout")->setText("45");
    child<QCheckBox>("ckAlarmSystem")->setChecked(true);
    EEPROMBuf[37] = 0x33; // outside the codec's fields: not saved

    mDialogAnswers << path("saved.ztb");
    click("cmdSave"); // no file yet: asks for a name
    QVERIFY(mDialogAnswers.isEmpty());

    QByteArray expected(80, '\0'); // up to output 1, the last byte that is not zero
    expected[32] = 4;              // 19200 baud
    expected[33] = 1;              // small alarm system
    expected[34] = 45;             // minutes
    expected[39] = char(0xE5);
    expected[79] = char(0x81);
    QCOMPARE(readFile(path("saved.ztb")), expected);
    QCOMPARE(child<UserControl1>("mTBar")->MinEEPROMSIZE(), 1024);
    QCOMPARE(mWindow->windowTitle(), QStringLiteral("Device Configure [TQ540-2]"));

    click("cmdClear");
    QCOMPARE(inputRow(1), QStringList({"", "", "", ""}));
    mDialogAnswers << path("saved.ztb");
    click("cmdOpen");

    QCOMPARE(inputRow(1), QStringList({"1", "x", "5", "x"}));
    QCOMPARE(inputRow(2), QStringList({"0", "", "0", ""}));
    QCOMPARE(outputRow(1), QStringList({"1", "x"}));
    QCOMPARE(child<QComboBox>("cbBaud")->currentText(), QStringLiteral("19200"));
    QCOMPARE(box("txtTimeout")->text(), QStringLiteral("45"));
    QVERIFY(child<QCheckBox>("ckAlarmSystem")->isChecked());
    const auto image = tqimage::addressView(EEPROMBuf);
    QVERIFY(std::equal(expected.begin(), expected.end(), image.begin(),
                       [](char a, std::uint8_t b) { return std::uint8_t(a) == b; }));
    QVERIFY(std::all_of(image.begin() + expected.size(), image.end(),
                        [](std::uint8_t b) { return b == 0; }));
    // Only Clear refreshes the title.
    QCOMPARE(mWindow->windowTitle(), QStringLiteral("Device Config"));
}

void TestWindowToolbar::openShortFileAfterFullConfiguration()
{
    QByteArray full(120, char(0xFF));
    full[32] = 1;         // 2400 baud
    full[34] = char(200); // minutes
    QVERIFY(writeFile(path("full.ztb"), full));
    mDialogAnswers << path("full.ztb");
    click("cmdOpen");
    QCOMPARE(inputRow(24), QStringList({"1", "x", "7", "x"}));
    QCOMPARE(outputRow(24), QStringList({"1", "x"}));
    QCOMPARE(box("txtTimeout")->text(), QStringLiteral("200"));

    const QByteArray shortFile("\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"
                               "\x02\x00\x0A",
                               35);
    QVERIFY(writeFile(path("short.ztb"), shortFile));
    mDialogAnswers << path("short.ztb");
    click("cmdOpen");

    // Nothing of the previous configuration shows through.
    for (int row = 1; row <= 24; ++row) {
        QCOMPARE(inputRow(row), QStringList({"0", "", "0", ""}));
        QCOMPARE(outputRow(row), QStringList({"0", ""}));
    }
    QCOMPARE(child<QComboBox>("cbBaud")->currentText(), QStringLiteral("4800"));
    QCOMPARE(box("txtTimeout")->text(), QStringLiteral("10"));
    QVERIFY(!child<QCheckBox>("ckAlarmSystem")->isChecked());
    QCOMPARE(EEPROMBuf[36], 0);
}

void TestWindowToolbar::testFindsTheDevice()
{
    SimulatedDevice line;
    click("cmdTest");
    QCOMPARE(mUser->outcomes, QStringList{"Device found."});
    QCOMPARE(child<QLabel>("lbSpeed")->text(), QStringLiteral("9600"));
    QCOMPARE(child<QLabel>("lbSN")->text(), QStringLiteral("1000001"));
    QCOMPARE(child<QLabel>("lbID")->text(), QStringLiteral("1"));
    QCOMPARE(line.lastAddress(m::CMD_READ_BLOCK), -1);
}

void TestWindowToolbar::downloadDecodesTheDevice()
{
    SimulatedDevice line;
    std::vector<std::uint8_t> &eeprom = line.device->eeprom();
    eeprom[32] = 1;    // 2400 baud
    eeprom[33] = 1;    // alarm system
    eeprom[34] = 99;   // minutes
    eeprom[39] = 0xE5; // input 1
    eeprom[62] = 0x47; // input 24: latch, group 7
    eeprom[79] = 0x81; // output 1
    eeprom[102] = 0x01;
    eeprom[119] = 0x5A; // last byte of the range
    eeprom[120] = 0x77; // beyond it

    click("cmdDownload");

    QCOMPARE(mUser->outcomes, QStringList{"Download completed."});
    QCOMPARE(inputRow(1), QStringList({"1", "x", "5", "x"}));
    QCOMPARE(inputRow(24), QStringList({"0", "", "7", "x"}));
    QCOMPARE(outputRow(1), QStringList({"1", "x"}));
    QCOMPARE(outputRow(24), QStringList({"1", ""}));
    QCOMPARE(child<QComboBox>("cbBaud")->currentText(), QStringLiteral("2400"));
    QCOMPARE(box("txtTimeout")->text(), QStringLiteral("99"));
    QVERIFY(child<QCheckBox>("ckAlarmSystem")->isChecked());
    // Positions 33 .. 120 (addresses 32 .. 119) came over, no more.
    QCOMPARE(line.firstAddress(m::CMD_READ_BLOCK), 32);
    QCOMPARE(line.lastAddress(m::CMD_READ_BLOCK), 119);
    QCOMPARE(EEPROMBuf[120], 0x5A);
    QCOMPARE(EEPROMBuf[121], 0);
    QCOMPARE(child<QLabel>("lbSN")->text(), QStringLiteral("1000001"));
}

void TestWindowToolbar::uploadWritesTheEditedConfiguration()
{
    SimulatedDevice line;
    std::vector<std::uint8_t> &eeprom = line.device->eeprom();
    eeprom[35] = 0x11; // unused by the configuration
    eeprom[200] = 0x22;
    click("cmdDownload"); // a fresh device: 9600 baud, 30 minutes, all else 0
    typeFirstRows();
    box("txtTimeout")->setText("7");

    click("cmdUpload");

    QCOMPARE(mUser->outcomes, QStringList({"Download completed.", "Upload completed."}));
    QCOMPARE(eeprom[32], 3);
    QCOMPARE(eeprom[34], 7);
    QCOMPARE(eeprom[39], 0xE5);
    QCOMPARE(eeprom[40], 0x00);
    QCOMPARE(eeprom[79], 0x81);
    QCOMPARE(eeprom[35], 0x11); // went back as it came
    QCOMPARE(eeprom[200], 0x22);
    QCOMPARE(line.firstAddress(m::CMD_WRITE_BLOCK), 32);
    QCOMPARE(line.lastAddress(m::CMD_WRITE_BLOCK), 119);
    QCOMPARE(line.device->resets(), 1);
}

void TestWindowToolbar::comPortStoredAndRestored()
{
    auto *ports = child<QComboBox>("cbComm");
    ports->setCurrentIndex(4);
    mWindow.reset();
    QCOMPARE(comport::readStoredIndex(), 4);
    showWindow();
    QCOMPARE(child<QComboBox>("cbComm")->currentText(), QStringLiteral("5"));

    SimulatedDevice line; // the simulated device answers on COM5 as well
    click("cmdTest");
    QCOMPARE(mUser->outcomes, QStringList{"Device found."});
    QCOMPARE(child<UserControl1>("mTBar")->link().Port, 5);
}

QTEST_MAIN(TestWindowToolbar)
#include "tst_windowtoolbar.moc"
