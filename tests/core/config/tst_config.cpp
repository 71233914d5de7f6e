// tq540ctl's own rules for configurations, without running it: the JSON
// form of show and encode, and the wording of diff. The codec's own rules are
// tested with the image; the commands end to end in tst_ctl.

#include "configdiff.h"
#include "configjson.h"
#include "ctlprocess.h"

#include <QTest>
#include <memory>

using ctltest::clearedJson;

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    // What the JSON form refuses, and the part the message names.
    void jsonForm_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("named"); // empty: taken
        // clang-format off
        QTest::newRow("cleared window")   << clearedJson() << "";
        QTest::newRow("not JSON")         << clearedJson(",", ",,") << "JSON";
        // The column counts characters: the "a" with diaeresis takes two bytes.
        QTest::newRow("bad value")        << QByteArray("{\n  \"b\xc3\xa4ud\": x\n}") << "line 2, column 11";
        QTest::newRow("array")            << QByteArray("[1, 2]") << "object";
        QTest::newRow("missing alarm")    << clearedJson("\"alarm\":false,", "") << "alarm";
        QTest::newRow("unknown key")      << clearedJson("{", "{\"speed\":1,") << "speed";
        QTest::newRow("23 input rows")    << clearedJson(R"(,["","","",""]])", "]") << "inputs";
        QTest::newRow("short row")        << clearedJson(R"(["","","",""])", R"(["","",""])") << "inputs[0]";
        QTest::newRow("number cell")      << clearedJson(R"("outputs":[["",)", R"("outputs":[[1,)") << "outputs[0][0]";
        QTest::newRow("alarm as text")    << clearedJson("false", "\"yes\"") << "alarm";
        QTest::newRow("dwell as number")  << clearedJson("\"30\"", "30") << "dwell";
        QTest::newRow("baud as number")   << clearedJson("\"9600\"", "9600") << "baud";
        QTest::newRow("baud not listed")  << clearedJson("9600", "38400") << "38400";
        // Check cells hold "x" or blanks; the codec would read these as not set.
        QTest::newRow("X in a check cell") << clearedJson(R"(["","",)", R"(["","X",)") << "inputs[0][1]";
        QTest::newRow("1 in a check cell") << clearedJson(R"("outputs":[["",""])", R"("outputs":[["","1"])") << "outputs[0][1]";
        // clang-format on
    }
    void jsonForm()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, named);
        tqimage::MemoryControls controls;
        controls.timeout = QStringLiteral("untouched");
        QString error;
        QCOMPARE(configjson::read(json, controls, error), named.isEmpty());
        QVERIFY2(named.isEmpty() ? error.isEmpty() : error.contains(named), qPrintable(error));
        QCOMPARE(controls.timeout, named.isEmpty() ? QStringLiteral("30") : "untouched");
    }

    // The wording of a configuration comparison, from hand-set image bytes.
    void wording_data()
    {
        QTest::addColumn<int>("position"); // of the byte that changes
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::addColumn<QStringList>("lines");
        // clang-format off
        QTest::newRow("dwell")                 << 35 << 30 << 15 << QStringList{"LED dwell time: 30 -> 15"};
        QTest::newRow("baud")                  << 33 << 3 << 4 << QStringList{"Baud rate: 9600 -> 19200"};
        QTest::newRow("alarm system")          << 34 << 0x00 << 0x01 << QStringList{"Small alarm system: off -> on"};
        QTest::newRow("every input column")    << 40 << 0x00 << 0xE5 << QStringList{"Input 1, Type (0/1): 0 -> 1", "Input 1, Alarm: off -> on", "Input 1, Group: 0 -> 5", "Input 1, Latch: off -> on"};
        QTest::newRow("every output column")   << 103 << 0x81 << 0x00 << QStringList{"Output 24, Power-on: 1 -> 0", "Output 24, Alarm: on -> off"};
        QTest::newRow("shown and unshown bits") << 51 << 0x00 << 0x5A << QStringList{"Input 12, Group: 0 -> 2", "Input 12, Latch: off -> on", "EEPROM address 50: 0x00 -> 0x5A"};
        QTest::newRow("unshown bits only")     << 63 << 0x00 << 0x18 << QStringList{"EEPROM address 62: 0x00 -> 0x18"};
        QTest::newRow("baud codes the list lacks") << 33 << 3 << 7 << QStringList{"EEPROM address 32: 0x03 -> 0x07"};
        QTest::newRow("unused flag bit")       << 34 << 0x01 << 0xFF << QStringList{"EEPROM address 33: 0x01 -> 0xFF"};
        QTest::newRow("unused byte")           << 36 << 0x00 << 0x05 << QStringList{"EEPROM address 35: 0x00 -> 0x05"};
        QTest::newRow("last transferred byte") << 120 << 0xAB << 0x00 << QStringList{"EEPROM address 119: 0xAB -> 0x00"};
        QTest::newRow("before the range")      << 32 << 0x00 << 0x01 << QStringList{};
        QTest::newRow("after the range")       << 121 << 0x00 << 0x01 << QStringList{};
        // clang-format on
    }
    void wording()
    {
        QFETCH(int, position);
        QFETCH(int, before);
        QFETCH(int, after);
        auto a = std::make_unique<tqimage::EEPROMImage>(),
             b = std::make_unique<tqimage::EEPROMImage>();
        (*a)[33] = (*b)[33] = 3; // both 9600 unless the row says otherwise
        (*a)[position] = std::uint8_t(before), (*b)[position] = std::uint8_t(after);
        QTEST(configdiff::differences(*a, *b), "lines");
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_config.moc"
