// An upload that reads its range back before the reset, against the simulated
// device that can lose a written byte.

#include "../simbench.h"
#include "eepromimage.h"
#include "transferdriver.h"

#include <QTest>

class TestVerify : public QObject
{
    Q_OBJECT

private slots:
    void uploadVerify_data()
    {
        QTest::addColumn<bool>("verify");
        QTest::addColumn<int>("lostAddress");
        QTest::addColumn<int>("vanishAfter"); // frames; -1 never
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("mismatchAt"); // -1 none
        QTest::addColumn<int>("resets");
        QTest::newRow("all kept") << true << -1 << -1 << 14 << -1 << 1;
        QTest::newRow("lost byte named, no reset") << true << 50 << -1 << 15 << 50 << 0;
        QTest::newRow("first of the range") << true << 32 << -1 << 15 << 32 << 0;
        QTest::newRow("last of the range") << true << 119 << -1 << 15 << 119 << 0;
        QTest::newRow("not asked, not noticed") << false << 50 << -1 << 14 << -1 << 1;
        // Identify and three writes, then silence.
        QTest::newRow("no answer while verifying") << true << -1 << 4 << 3 << -1 << 0;
    }
    void uploadVerify()
    {
        QFETCH(bool, verify);
        QFETCH(int, lostAddress);
        QFETCH(int, vanishAfter);
        QFETCH(int, mismatchAt);
        SimBench bench;
        bench.addressGLink();
        bench.device->faults.lostWriteAddress = lostAddress;
        bench.device->faults.vanishAfterFrames = vanishAfter;
        auto image = std::make_unique<tqimage::EEPROMImage>();
        for (int p = 33; p <= 120; ++p)
            (*image)[p] = std::uint8_t(p * 7 | 1); // never the device's own byte
        TransferObserver quiet;
        TransferDriver driver(m::gLink, *image, quiet, TransferOptions{verify});

        QTEST(int(driver.run(TransferKind::Upload, 33, 120)), "result");
        QTEST(bench.device->resets(), "resets");
        QCOMPARE(driver.mismatch().has_value(), mismatchAt >= 0);
        if (driver.mismatch()) {
            QCOMPARE(driver.mismatch()->address, mismatchAt);
            QCOMPARE(driver.mismatch()->written, (*image)[mismatchAt + 1]);
            QCOMPARE(driver.mismatch()->read, bench.device->eeprom()[mismatchAt]);
        }
    }
};

QTEST_GUILESS_MAIN(TestVerify)
#include "tst_verify.moc"
