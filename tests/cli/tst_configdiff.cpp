// The wording of a configuration comparison, from hand-set image bytes.

#include "configdiff.h"

#include <QTest>
#include <memory>

class TestConfigDiff : public QObject
{
    Q_OBJECT

private slots:
    void wording_data()
    {
        QTest::addColumn<int>("position"); // of the byte that changes
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("equal") << 40 << 0x05 << 0x05 << QStringList{};
        QTest::newRow("group") << 44 << 0x03 << 0x04 << QStringList{"Input 5, Group: 3 -> 4"};
        QTest::newRow("dwell") << 35 << 30 << 15 << QStringList{"LED dwell time: 30 -> 15"};
        QTest::newRow("baud") << 33 << 3 << 4 << QStringList{"Baud rate: 9600 -> 19200"};
        QTest::newRow("alarm system")
            << 34 << 0x00 << 0x01 << QStringList{"Small alarm system: off -> on"};
        QTest::newRow("every input column")
            << 40 << 0x00 << 0xE5
            << QStringList{"Input 1, Type (0/1): 0 -> 1", "Input 1, Alarm: off -> on",
                           "Input 1, Group: 0 -> 5", "Input 1, Latch: off -> on"};
        QTest::newRow("every output column")
            << 103 << 0x81 << 0x00
            << QStringList{"Output 24, Power-on: 1 -> 0", "Output 24, Alarm: on -> off"};
        QTest::newRow("shown and unshown bits")
            << 51 << 0x00 << 0x5A
            << QStringList{"Input 12, Group: 0 -> 2", "Input 12, Latch: off -> on",
                           "EEPROM address 50: 0x00 -> 0x5A"};
        QTest::newRow("unshown bits only")
            << 63 << 0x00 << 0x18 << QStringList{"EEPROM address 62: 0x00 -> 0x18"};
        QTest::newRow("baud codes the list lacks")
            << 33 << 3 << 7 << QStringList{"EEPROM address 32: 0x03 -> 0x07"};
        QTest::newRow("unused flag bit")
            << 34 << 0x01 << 0xFF << QStringList{"EEPROM address 33: 0x01 -> 0xFF"};
        QTest::newRow("unused byte")
            << 36 << 0x00 << 0x05 << QStringList{"EEPROM address 35: 0x00 -> 0x05"};
        QTest::newRow("last transferred byte")
            << 120 << 0xAB << 0x00 << QStringList{"EEPROM address 119: 0xAB -> 0x00"};
        QTest::newRow("before the range") << 32 << 0x00 << 0x01 << QStringList{};
        QTest::newRow("after the range") << 121 << 0x00 << 0x01 << QStringList{};
    }
    void wording()
    {
        QFETCH(int, position);
        QFETCH(int, before);
        QFETCH(int, after);
        auto a = std::make_unique<tqimage::EEPROMImage>();
        auto b = std::make_unique<tqimage::EEPROMImage>();
        (*a)[33] = (*b)[33] = 3; // both 9600 unless the row says otherwise
        (*a)[position] = std::uint8_t(before);
        (*b)[position] = std::uint8_t(after);
        QTEST(configdiff::differences(*a, *b), "lines");
    }
};

QTEST_GUILESS_MAIN(TestConfigDiff)
#include "tst_configdiff.moc"
