// The configuration window with its toolbar: saving and opening configuration
// files through the toolbar's commands, and Test, Download and Upload through
// the transfer window against the simulated device.
#include "../simbench.h"
#include "../testfiles.h"
#include "../transferuser.h"
#include "eepromimage.h"
#include "filedialogs.h"
#include "frmeeprom.h"
#include "frmtq540_2.h"
#include "gridcontrol.h"
#include "msgbox.h"
#include "resdll.h"
#include "usercontrol1.h"
#include "windowchildren.h"

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

using tqimage::EEPROMBuf;

class TestWindowToolbar : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(mConfig.isValid());
        QVERIFY(mFiles.isValid());
        qputenv("XDG_CONFIG_HOME", mConfig.path().toLocal8Bit());
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
        QVERIFY(gResDll.hInstance() != 0);
        mUser = std::make_unique<TransferUser>();
    }

    void init()
    {
        EEPROMBuf.fill(0);
        m::gLink = m::tLink{};
        mMessages.clear();
        mDialogAnswers.clear();
        mUser->clear();
        showWindow();
    }

    void cleanup()
    {
        mWindow.reset();
        QVERIFY2(mMessages.isEmpty(), qPrintable(mMessages.join('\n')));
    }

    void saveThenOpenIsByteExact()
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

    void downloadDecodesTheDevice()
    {
        SimBench line;
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
        QCOMPARE(line.addressRange(m::CMD_READ_BLOCK), std::pair(32, 119));
        QCOMPARE(EEPROMBuf[120], 0x5A);
        QCOMPARE(EEPROMBuf[121], 0);
        QCOMPARE(child<QLabel>("lbSN")->text(), QStringLiteral("1000001"));
        // The edit boxes show their decoded cells.
        QCOMPARE(box("txt_gd")->text(), QStringLiteral("1"));
        QCOMPARE(box("Text1")->text(), QStringLiteral("1"));
    }

    void uploadWritesTheEditedConfiguration()
    {
        SimBench line;
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
        QCOMPARE(line.addressRange(m::CMD_WRITE_BLOCK), std::pair(32, 119));
        QCOMPARE(line.device->resets(), 1);
    }

private:
    template <typename T> T *child(const char *name) const { return childOf<T>(*mWindow, name); }

    GridControl *fg1() const { return child<GridControl>("fg1"); }
    GridControl *fg2() const { return child<GridControl>("fg2"); }
    QLineEdit *box(const char *name) const { return child<QLineEdit>(name); }
    void click(const char *button) const { clickButton(*mWindow, button); }

    QString path(const char *name) const { return mFiles.filePath(QString::fromLatin1(name)); }
    void showWindow()
    {
        mWindow = std::make_unique<frmTQ540_2>();
        mWindow->show();
        mWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(mWindow.get()));
    }

    // Input 1: type 1, alarm, group 5, latch (0xE5); output 1: on, alarm (0x81).
    void typeFirstRows()
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

    QStringList inputRow(int row) const
    {
        QStringList cells;
        for (int col = 1; col <= 4; ++col)
            cells << fg1()->TextMatrix(row, col);
        return cells;
    }

    QStringList outputRow(int row) const
    {
        return {fg2()->TextMatrix(row, 1), fg2()->TextMatrix(row, 2)};
    }

    QTemporaryDir mConfig;
    QTemporaryDir mFiles;
    QStringList mMessages;
    QStringList mDialogAnswers;
    std::unique_ptr<TransferUser> mUser;
    msgbox::ScopedPresenter mBoxes{
        [this](QWidget *, const QString &text, msgbox::Icon) { mMessages << text; }};
    filedialogs::ScopedPresenter mDialogs{[this](QFileDialog &, filedialogs::Mode) {
        return mDialogAnswers.isEmpty() ? QString() : mDialogAnswers.takeFirst();
    }};
    std::unique_ptr<frmTQ540_2> mWindow;
};

QTEST_MAIN(TestWindowToolbar)
#include "tst_windowtoolbar.moc"
