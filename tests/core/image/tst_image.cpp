#include "codec.h"
#include "memorycontrols.h"
#include "storedtext.h"

#include <QTest>

using tqimage::EEPROMImage;
using tqimage::Grid;
using tqimage::MemoryControls;

namespace {

// Controls that log the editor calls; the input editor holds a "6" typed into
// row 1, column 3, which it commits when restored.
class RecordingControls : public MemoryControls
{
public:
    QStringList calls;

    void EditBox_Restore(Grid grid) override
    {
        calls << (grid == Grid::Inputs ? "restore inputs" : "restore outputs");
        if (grid == Grid::Inputs)
            inputs[0][2] = "6";
    }
    void SetPosition(Grid grid) override
    {
        // Which grids were already filled when the editor was placed again.
        calls << QStringLiteral("position %1 in=%2 out=%3")
                     .arg(grid == Grid::Inputs ? "inputs" : "outputs", inputs[23][0],
                          outputs[23][0]);
    }
};

// A grid with more data rows than there are records, the extra ones set.
class TallGridControls : public MemoryControls
{
public:
    int gridRows(Grid) const override { return 30; }
    QString cellText(Grid grid, int row, int col) const override
    {
        return row > 24 ? QStringLiteral("1") : MemoryControls::cellText(grid, row, col);
    }
};

} // namespace

class TestImage : public QObject
{
    Q_OBJECT

private slots:
    // Clearing leaves the defaults in the settings bytes and zeros in the
    // records, and writes nothing else, whatever rows the grids have past them.
    void clearedWindowEncodesDefaultsAndNothingElse()
    {
        TallGridControls controls;
        controls.inputs[4] = {"1", "x", "7", "x"};
        controls.alarmSystem = 1;
        controls.clear();
        EEPROMImage image;
        image.fill(0xA5);
        tqimage::EEPROM_ENCODE(controls, image);
        for (std::size_t p = 0; p < image.size(); ++p) {
            const bool record = (p >= 40 && p <= 63) || (p >= 80 && p <= 103);
            const int expected = p == 33 ? 3 : p == 34 ? 0 : p == 35 ? 30 : record ? 0 : 0xA5;
            QCOMPARE(image[p], expected);
        }
    }

    // Cells of input row 1 (columns 1 .. 4) or output row 1 (columns 1 .. 2).
    void rowEncodes_data()
    {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<int>("byte");
        QTest::newRow("input: all set") << QStringList{"1", "x", "5", "x"} << 0xE5;
        QTest::newRow("input: empty") << QStringList{"", "", "", ""} << 0x00;
        QTest::newRow("input: checks with blanks") << QStringList{"0", " x ", "0", "x "} << 0xC0;
        QTest::newRow("input: capital X") << QStringList{"0", "X", "0", "X"} << 0x00;
        QTest::newRow("input: group 9 wraps to 1") << QStringList{"0", "", "9", ""} << 0x01;
        QTest::newRow("input: type 0.4 above 0") << QStringList{"0.4", "", "0", ""} << 0x20;
        QTest::newRow("input: type negative") << QStringList{"-1", "", "0", ""} << 0x00;
        QTest::newRow("input: huge group") << QStringList{"0", "", "1e30", ""} << 0x00;
        QTest::newRow("output: 1 and x") << QStringList{"1", "x"} << 0x81;
        QTest::newRow("output: even number") << QStringList{"2", ""} << 0x00;
        QTest::newRow("output: odd number") << QStringList{"3", ""} << 0x01;
        QTest::newRow("output: letter") << QStringList{"q", "x"} << 0x80;
    }
    void rowEncodes()
    {
        QFETCH(QStringList, cells);
        MemoryControls controls;
        const bool input = cells.size() == 4;
        std::copy(cells.begin(), cells.end(),
                  input ? controls.inputs[0].begin() : controls.outputs[0].begin());
        EEPROMImage image{};
        tqimage::EEPROM_ENCODE(controls, image);
        QTEST(int(image[input ? 40 : 80]), "byte");
    }

    // Every value of an input, output, baud, flags and dwell byte decodes, over
    // full rows, to the texts of its bit table, and encoding those again gives
    // the byte back, less the bits the record does not use; a baud code
    // outside the list shows 9600 (code 3), the flags' bit 0 alone counts.
    void everyByteRoundTrips_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("kept"); // the bits that survive
        QTest::newRow("input") << 40 << 0xE7;
        QTest::newRow("output") << 80 << 0x81;
        QTest::newRow("baud") << 33 << 0xFF;
        QTest::newRow("flags") << 34 << 0x01;
        QTest::newRow("dwell") << 35 << 0xFF;
    }
    void everyByteRoundTrips()
    {
        QFETCH(int, position);
        QFETCH(int, kept);
        for (int value = 0; value < 256; ++value) {
            const int row = value % 24, at = position + (position < 40 ? 0 : row);
            EEPROMImage image{};
            image[at] = static_cast<std::uint8_t>(value);
            MemoryControls controls;
            controls.inputs.fill({"1", "x", "7", "x"});
            controls.outputs.fill({"1", "x"});
            tqimage::EEPROM_DECODE(controls, image);
            const auto bit = [value](int mask, const char *set, const char *unset) {
                return QString::fromLatin1(value & mask ? set : unset);
            };
            if (position == 40)
                QCOMPARE(QStringList(controls.inputs[row].begin(), controls.inputs[row].end()),
                         (QStringList{bit(0x20, "1", "0"), bit(0x80, "x", ""),
                                      QString::number(value & 0x07), bit(0x40, "x", "")}));
            else if (position == 80)
                QCOMPARE(QStringList(controls.outputs[row].begin(), controls.outputs[row].end()),
                         (QStringList{bit(0x01, "1", "0"), bit(0x80, "x", "")}));
            else if (position == 33)
                QCOMPARE(controls.baudIndex, value < 5 ? value : 3);
            else if (position == 34)
                QCOMPARE(controls.alarmSystem, value & 0x01);
            else
                QCOMPARE(controls.timeout, QString::number(value));
            image.fill(std::uint8_t(~kept));
            tqimage::EEPROM_ENCODE(controls, image);
            QCOMPARE(image[at], position == 33 && value > 4 ? 3 : value & kept);
        }
    }

    // Baud code (the list index; 3, 9600, with nothing selected), flags (bit
    // 0 the alarm system, the others cleared), LED dwell minutes (rounded half
    // to even, clamped to 0..255), each written over 0xFF.
    void settingsEncode_data()
    {
        QTest::addColumn<int>("baudIndex");
        QTest::addColumn<int>("alarm");
        QTest::addColumn<QString>("dwell");
        QTest::addColumn<QByteArray>("bytes"); // positions 33, 34, 35
        QTest::newRow("nothing chosen") << -1 << 0 << "" << QByteArray("\x03\x00\x00", 3);
        QTest::newRow("19200, alarm") << 4 << 1 << "15" << QByteArray("\x04\x01\x0F", 3);
        QTest::newRow("dwell below 0") << 0 << 0 << "-5" << QByteArray("\x00\x00\x00", 3);
        QTest::newRow("dwell above 255") << 0 << 0 << "300" << QByteArray("\x00\x00\xFF", 3);
        QTest::newRow("dwell 2.5") << 0 << 0 << "2.5" << QByteArray("\x00\x00\x02", 3);
        QTest::newRow("dwell 3.5") << 0 << 0 << "3.5" << QByteArray("\x00\x00\x04", 3);
        QTest::newRow("dwell 255.5") << 0 << 0 << "255.5" << QByteArray("\x00\x00\xFF", 3);
    }
    void settingsEncode()
    {
        QFETCH(int, baudIndex);
        QFETCH(int, alarm);
        QFETCH(QString, dwell);
        MemoryControls controls;
        controls.baudIndex = baudIndex;
        controls.alarmSystem = alarm;
        controls.timeout = dwell;
        EEPROMImage image;
        image.fill(0xFF);
        tqimage::EEPROM_ENCODE(controls, image);
        QTEST(QByteArray(reinterpret_cast<const char *>(&image[33]), 3), "bytes");
        QCOMPARE(controls.baudIndex, baudIndex < 0 ? 3 : baudIndex); // selected in the list too
    }

    // Encoding commits what is being typed first; decoding places each
    // editor again once its grid is filled.
    void editorsAroundTheCodec()
    {
        RecordingControls controls;
        EEPROMImage image{};
        tqimage::EEPROM_ENCODE(controls, image);
        QCOMPARE(image[40], 0x06);
        image[63] = 0x20;
        image[103] = 0x01;
        tqimage::EEPROM_DECODE(controls, image);
        QCOMPARE(controls.calls,
                 (QStringList{"restore inputs", "restore outputs",
                              "position inputs in=1 out=", "position outputs in=1 out=1"}));
    }

    // A text comes back through the image as the window will show it; it is
    // marked when that differs from what was typed, blanks and empty texts
    // aside. Column 0 is the dwell time here.
    void storedTexts_data()
    {
        QTest::addColumn<int>("grid"); // 0 inputs, 1 outputs
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("marked");
        // clang-format off
        QTest::newRow("type 5")          << 0 << 1 << "5"   << "1"   << true;
        QTest::newRow("type 1")          << 0 << 1 << "1"   << "1"   << false;
        QTest::newRow("type empty")      << 0 << 1 << ""    << "0"   << false;
        QTest::newRow("group 9")         << 0 << 3 << "9"   << "1"   << true;
        QTest::newRow("check X")         << 0 << 2 << "X"   << ""    << true;
        QTest::newRow("check blank")     << 0 << 4 << " "   << ""    << false;
        QTest::newRow("power-on 2")      << 1 << 1 << "2"   << "0"   << true;
        QTest::newRow("output check")    << 1 << 2 << "x"   << "x"   << false;
        QTest::newRow("dwell 300")       << 0 << 0 << "300" << "255" << true;
        QTest::newRow("dwell 2.5")       << 0 << 0 << "2.5" << "2"   << true;
        QTest::newRow("dwell 030")       << 0 << 0 << "030" << "30"  << true;
        QTest::newRow("dwell 45 blanks") << 0 << 0 << " 45 " << "45" << false;
        // clang-format on
    }
    void storedTexts()
    {
        QFETCH(int, grid);
        QFETCH(int, col);
        QFETCH(QString, typed);
        MemoryControls controls;
        controls.clear();
        const Grid which = grid ? Grid::Outputs : Grid::Inputs;
        if (col)
            controls.setCellText(which, 7, col, typed);
        else
            controls.timeout = typed;
        const MemoryControls stored = tqimage::asStored(controls);
        const QString back = col ? stored.cellText(which, 7, col) : stored.timeout;
        QTEST(back, "stored");
        QTEST(tqimage::storedOtherwise(typed, back), "marked");
        QCOMPARE(controls.cellText(which, 7, col ? col : 1), col ? typed : QString()); // untouched
    }
};

QTEST_GUILESS_MAIN(TestImage)
#include "tst_image.moc"
