#include "codec.h"
#include "memorycontrols.h"

#include <QTest>

using tqimage::EEPROMImage;
using tqimage::Grid;
using tqimage::MemoryControls;

namespace {

// Controls that log the editor calls and the grid state they were made in.
class RecordingControls : public MemoryControls
{
public:
    QStringList calls;
    QString pendingInputGroup; // typed into input row 1, column 3, not yet committed

    void EditBox_Restore(Grid grid) override
    {
        calls << (grid == Grid::Inputs ? "restore inputs" : "restore outputs");
        if (grid == Grid::Inputs && !pendingInputGroup.isEmpty())
            inputs[0][2] = pendingInputGroup;
    }
    void SetPosition(Grid grid) override
    {
        // Which grids were already filled when the editor was placed again.
        calls << QStringLiteral("position %1 in=%2 out=%3")
                     .arg(grid == Grid::Inputs ? "inputs" : "outputs", inputs[23][0],
                          outputs[23][0]);
    }
};

// A grid with more data rows than there are records.
class TallGridControls : public MemoryControls
{
public:
    int gridRows(Grid) const override { return 30; }
    QString cellText(Grid grid, int row, int col) const override
    {
        return row > 24 ? QStringLiteral("1") : MemoryControls::cellText(grid, row, col);
    }
};

EEPROMImage filledImage(std::uint8_t value)
{
    EEPROMImage image;
    image.fill(value);
    return image;
}

QStringList toList(const auto &row)
{
    return QStringList(row.begin(), row.end());
}

} // namespace

class TestImage : public QObject
{
    Q_OBJECT

private slots:
    void sharedImageStartsZero()
    {
        QCOMPARE(tqimage::EEPROMBuf.size(), std::size_t{65537});
        QVERIFY(std::all_of(tqimage::EEPROMBuf.begin(), tqimage::EEPROMBuf.end(),
                            [](std::uint8_t b) { return b == 0; }));
        // The toolbar's view starts at EEPROM address 0, image position 1.
        auto view = tqimage::addressView(tqimage::EEPROMBuf);
        QCOMPARE(view.size(), std::size_t{65536});
        QCOMPARE(view.data(), tqimage::EEPROMBuf.data() + 1);
    }

    void clearedWindowEncodesDefaultsAndNothingElse()
    {
        MemoryControls controls;
        controls.inputs[4] = {"1", "x", "7", "x"};
        controls.outputs[9] = {"1", "x"};
        controls.alarmSystem = 1;
        controls.clear();
        EEPROMImage image = filledImage(0xA5);
        tqimage::EEPROM_ENCODE(controls, image);
        QCOMPARE(image[33], 0x03);
        QCOMPARE(image[34], 0x00);
        QCOMPARE(image[35], 0x1E);
        for (std::size_t p = 0; p < image.size(); ++p) {
            const bool record = (p >= 40 && p <= 63) || (p >= 80 && p <= 103);
            if (record)
                QCOMPARE(image[p], 0x00);
            else if (p < 33 || p > 35)
                QCOMPARE(image[p], 0xA5);
        }
    }

    void freshWindowEncodesDwellZeroAndBaudFallback()
    {
        MemoryControls controls;
        EEPROMImage image{};
        tqimage::EEPROM_ENCODE(controls, image);
        QCOMPARE(image[35], 0);
        QCOMPARE(image[33], 3);
        QCOMPARE(controls.baudIndex, 3); // the fallback is selected in the list too
    }

    // Cells of input row 1 (columns 1 .. 4) or output row 1 (columns 1 .. 2).
    void rowEncodes_data()
    {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<int>("byte");
        const auto in = [](const char *name) -> QTestData & {
            return QTest::addRow("input: %s", name);
        };
        const auto out = [](const char *name) -> QTestData & {
            return QTest::addRow("output: %s", name);
        };
        in("all set") << QStringList{"1", "x", "5", "x"} << 0xE5;
        in("empty") << QStringList{"", "", "", ""} << 0x00;
        in("check marks with blanks") << QStringList{"0", " x ", "0", "x "} << 0xC0;
        in("capital X is not a check") << QStringList{"0", "X", "0", "X"} << 0x00;
        in("other check text") << QStringList{"0", "xx", "0", "1"} << 0x00;
        in("group 8 wraps to 0") << QStringList{"0", "", "8", ""} << 0x00;
        in("group 9 wraps to 1") << QStringList{"0", "", "9", ""} << 0x01;
        in("group 2.5 rounds to 2") << QStringList{"0", "", "2.5", ""} << 0x02;
        in("group 3.5 rounds to 4") << QStringList{"0", "", "3.5", ""} << 0x04;
        in("group letter") << QStringList{"0", "", "a", ""} << 0x00;
        in("type above 0") << QStringList{"7", "", "0", ""} << 0x20;
        in("type 0.4 above 0") << QStringList{"0.4", "", "0", ""} << 0x20;
        in("type negative") << QStringList{"-1", "", "0", ""} << 0x00;
        in("type letter") << QStringList{"y", "", "0", ""} << 0x00;
        in("huge group") << QStringList{"0", "", "1e30", ""} << 0x00;
        out("1 and x") << QStringList{"1", "x"} << 0x81;
        out("even number") << QStringList{"2", ""} << 0x00;
        out("odd number") << QStringList{"3", ""} << 0x01;
        out("0.5 rounds to 0") << QStringList{"0.5", ""} << 0x00;
        out("1.5 rounds to 2") << QStringList{"1.5", ""} << 0x00;
        out("capital X") << QStringList{"0", "X"} << 0x00;
        out("letter") << QStringList{"q", "x"} << 0x80;
    }
    void rowEncodes()
    {
        QFETCH(QStringList, cells);
        QFETCH(int, byte);
        MemoryControls controls;
        const bool input = cells.size() == 4;
        std::copy(cells.begin(), cells.end(),
                  input ? controls.inputs[0].begin() : controls.outputs[0].begin());
        EEPROMImage image{};
        tqimage::EEPROM_ENCODE(controls, image);
        QCOMPARE(image[input ? 40 : 80], byte);
    }

    // Every value of an input, output and dwell byte decodes to the texts of
    // its bit table, and encoding those again gives the byte back, less the
    // bits the record does not use.
    void everyByteRoundTrips_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("kept"); // the bits that survive
        QTest::newRow("input") << 40 << 0xE7;
        QTest::newRow("output") << 80 << 0x81;
        QTest::newRow("dwell") << 35 << 0xFF;
    }
    void everyByteRoundTrips()
    {
        QFETCH(int, position);
        QFETCH(int, kept);
        for (int value = 0; value < 256; ++value) {
            const int at = position + (position == 35 ? 0 : value % 24);
            EEPROMImage image{};
            image[at] = static_cast<std::uint8_t>(value);
            MemoryControls controls;
            tqimage::EEPROM_DECODE(controls, image);
            const auto bit = [value](int mask, const char *set) {
                return QString::fromLatin1(value & mask                     ? set
                                           : (mask == 0x80 || mask == 0x40) ? ""
                                                                            : "0");
            };
            if (position == 40)
                QCOMPARE(toList(controls.inputs[value % 24]),
                         (QStringList{bit(0x20, "1"), bit(0x80, "x"), QString::number(value & 0x07),
                                      bit(0x40, "x")}));
            else if (position == 80)
                QCOMPARE(toList(controls.outputs[value % 24]),
                         (QStringList{bit(0x01, "1"), bit(0x80, "x")}));
            else
                QCOMPARE(controls.timeout, QString::number(value));
            EEPROMImage again = filledImage(std::uint8_t(~kept));
            tqimage::EEPROM_ENCODE(controls, again);
            QCOMPARE(again[at], value & kept);
        }
    }

    void decodingClearsCheckCells()
    {
        MemoryControls controls;
        for (auto &row : controls.inputs)
            row = {"1", "x", "7", "x"};
        for (auto &row : controls.outputs)
            row = {"1", "x"};
        EEPROMImage image{};
        image[45] = 0x18;
        image[85] = 0x7E;
        tqimage::EEPROM_DECODE(controls, image);
        for (const auto &row : controls.inputs)
            QCOMPARE(toList(row), (QStringList{"0", "", "0", ""}));
        for (const auto &row : controls.outputs)
            QCOMPARE(toList(row), (QStringList{"0", ""}));
    }

    void dwellEncodes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("byte");
        QTest::newRow("minus 5") << "-5" << 0;
        QTest::newRow("300") << "300" << 255;
        QTest::newRow("2.5") << "2.5" << 2;
        QTest::newRow("3.5") << "3.5" << 4;
        QTest::newRow("255") << "255" << 255;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("text") << "abc" << 0;
        QTest::newRow("number then text") << " 12min" << 12;
        QTest::newRow("255.5 rounds up and clamps") << "255.5" << 255;
    }
    void dwellEncodes()
    {
        QFETCH(QString, text);
        QFETCH(int, byte);
        MemoryControls controls;
        controls.timeout = text;
        EEPROMImage image{};
        tqimage::EEPROM_ENCODE(controls, image);
        QCOMPARE(image[35], byte);
    }

    void baudDecodes_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << 0 << "1200";
        QTest::newRow("1") << 1 << 1 << "2400";
        QTest::newRow("2") << 2 << 2 << "4800";
        QTest::newRow("3") << 3 << 3 << "9600";
        QTest::newRow("4") << 4 << 4 << "19200";
        QTest::newRow("5") << 5 << 3 << "9600";
        QTest::newRow("7") << 7 << 3 << "9600";
        QTest::newRow("255") << 255 << 3 << "9600";
    }
    void baudDecodes()
    {
        QFETCH(int, byte);
        QFETCH(int, index);
        QFETCH(QString, text);
        EEPROMImage image{};
        image[33] = static_cast<std::uint8_t>(byte);
        MemoryControls controls;
        tqimage::EEPROM_DECODE(controls, image);
        QCOMPARE(controls.baudIndex, index);
        QCOMPARE(tqimage::baudRates().at(index), text);
        tqimage::EEPROM_ENCODE(controls, image);
        QCOMPARE(image[33], index);
    }

    // Bit 0 of the flags byte is the alarm system; encoding clears the rest,
    // decoding looks at bit 0 only.
    void flags_data()
    {
        QTest::addColumn<int>("alarm");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("checked over 0xFE") << 1 << 0xFE << 0x01;
        QTest::newRow("unchecked over 0xFF") << 0 << 0xFF << 0x00;
    }
    void flags()
    {
        QFETCH(int, alarm);
        QFETCH(int, before);
        QFETCH(int, after);
        MemoryControls controls;
        controls.alarmSystem = alarm;
        EEPROMImage image{};
        image[34] = static_cast<std::uint8_t>(before);
        tqimage::EEPROM_ENCODE(controls, image);
        QCOMPARE(image[34], after);
        tqimage::EEPROM_DECODE(controls, image);
        QCOMPARE(controls.alarmSystem, alarm);
        image[34] = static_cast<std::uint8_t>(before);
        tqimage::EEPROM_DECODE(controls, image);
        QCOMPARE(controls.alarmSystem, before & 1);
    }

    void encodeCommitsTypingFirst()
    {
        RecordingControls controls;
        controls.pendingInputGroup = "6";
        EEPROMImage image{};
        tqimage::EEPROM_ENCODE(controls, image);
        QCOMPARE(image[40], 0x06);
        QCOMPARE(controls.calls, (QStringList{"restore inputs", "restore outputs"}));
    }

    void decodePlacesEachEditorAfterItsGrid()
    {
        RecordingControls controls;
        EEPROMImage image{};
        image[63] = 0x20;
        image[103] = 0x01;
        tqimage::EEPROM_DECODE(controls, image);
        QCOMPARE(controls.calls,
                 (QStringList{"position inputs in=1 out=", "position outputs in=1 out=1"}));
    }

    void extraGridRowsStayInTheirRecords()
    {
        TallGridControls controls;
        EEPROMImage image = filledImage(0x5A);
        tqimage::EEPROM_ENCODE(controls, image);
        QCOMPARE(image[63], 0x00);
        QCOMPARE(image[64], 0x5A);
        QCOMPARE(image[103], 0x00);
        QCOMPARE(image[104], 0x5A);
    }
};

QTEST_GUILESS_MAIN(TestImage)
#include "tst_image.moc"
