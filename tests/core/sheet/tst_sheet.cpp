// The configuration sheet as Qt's text document reads it: the cells of its
// tables for a hand-made image, the line of unused bytes, and that it prints
// on one A4 page even with everything it can hold.

#include "resdll.h"
#include "sheet.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <memory>

namespace {

using Image = tqimage::EEPROMImage;

// The image the table below describes; position p holds EEPROM address p - 1.
std::unique_ptr<Image> handMade()
{
    auto image = std::make_unique<Image>();
    (*image)[33] = 1;    // 2400 baud
    (*image)[34] = 0x01; // alarm system on
    (*image)[35] = 200;  // dwell time
    (*image)[37] = 0x05; // an unused byte
    (*image)[41] = 0x18; // input 2: group 0, two bits no control stands for
    (*image)[44] = 0xC6; // input 5: alarm, latch, group 6, type 0
    (*image)[63] = 0x27; // input 24: type 1, group 7
    (*image)[80] = 0x81; // output 1: power-on 1, alarm
    (*image)[120] = 0xFF;
    (*image)[121] = 0x77; // past the configuration: not the sheet's
    return image;
}

// The text of a cell, without the tables nested in it.
QString cellText(const QTextTableCell &cell)
{
    QString text;
    for (auto it = cell.begin(); !it.atEnd(); ++it)
        if (it.currentBlock().isValid())
            text += it.currentBlock().text();
    return text;
}

// Every table that holds text, in the order of the document, as rows of cells.
void collectTables(QTextFrame *frame, QList<QList<QStringList>> &tables)
{
    if (auto *table = qobject_cast<QTextTable *>(frame)) {
        QList<QStringList> rows;
        bool anyText = false;
        for (int r = 0; r < table->rows(); ++r) {
            rows.append(QStringList());
            for (int c = 0; c < table->columns(); ++c) {
                rows.last() << cellText(table->cellAt(r, c));
                anyText = anyText || !rows.last().last().isEmpty();
            }
        }
        if (anyText)
            tables.append(rows);
    }
    for (QTextFrame *child : frame->childFrames())
        collectTables(child, tables);
}

QList<QList<QStringList>> tablesOf(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    QList<QList<QStringList>> tables;
    collectTables(document.rootFrame(), tables);
    return tables;
}

const sheet::Source fromFile{
    QStringLiteral("plant/<north> & co.ztb"), {}, QStringLiteral("2025-03-04")};
const sheet::Source fromDevice{QStringLiteral("north.ztb"),
                               sheet::Device{QStringLiteral("/dev/ttyUSB0"), 4242, 3,
                                             QStringLiteral("TQ540-2 remote I/O"), 19200},
                               QStringLiteral("2025-03-04")};

} // namespace

class TestSheet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll")); }

    // Table 0 says where it came from, 1 holds the settings, 2 the grids'
    // titles, 3 the inputs and 4 the outputs, each with its header row.
    void content_data()
    {
        QTest::addColumn<bool>("device");
        QTest::addColumn<int>("table");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("cells");
        // clang-format off
        QTest::newRow("file")            << false << 0 << 0  << QStringList{"File:", "plant/<north> & co.ztb"};
        QTest::newRow("date")            << false << 0 << 1  << QStringList{"Date:", "2025-03-04"};
        QTest::newRow("device")          << true  << 0 << 1  << QStringList{"Device:", "TQ540-2 remote I/O"};
        QTest::newRow("serial number")   << true  << 0 << 2  << QStringList{"Serial Number:", "4242"};
        QTest::newRow("device ID")       << true  << 0 << 3  << QStringList{"Device ID:", "3"};
        QTest::newRow("port")            << true  << 0 << 4  << QStringList{"COM:", "/dev/ttyUSB0"};
        QTest::newRow("device's speed")  << true  << 0 << 5  << QStringList{"Baud rate:", "19200"};
        QTest::newRow("baud rate")       << false << 1 << 0  << QStringList{"Baud rate:", "2400"};
        QTest::newRow("dwell time")      << false << 1 << 1  << QStringList{"LED dwell time:", "200 minutes"};
        QTest::newRow("alarm system")    << false << 1 << 2  << QStringList{"Small alarm system", "x"};
        QTest::newRow("grids' titles")   << false << 2 << 0  << QStringList{"Input Properties", "", "Output Properties"};
        QTest::newRow("inputs' header")  << false << 3 << 0  << QStringList{"No.", "Type (0/1)", "Alarm", "Group", "Latch"};
        QTest::newRow("input 2")         << false << 3 << 2  << QStringList{"2", "0", "", "0", ""};
        QTest::newRow("input 5")         << false << 3 << 5  << QStringList{"5", "0", "x", "6", "x"};
        QTest::newRow("input 24")        << false << 3 << 24 << QStringList{"24", "1", "", "7", ""};
        QTest::newRow("outputs' header") << false << 4 << 0  << QStringList{"No.", "Power-on", "Alarm"};
        QTest::newRow("output 1")        << false << 4 << 1  << QStringList{"1", "1", "x"};
        QTest::newRow("output 24")       << false << 4 << 24 << QStringList{"24", "0", ""};
        // clang-format on
    }
    void content()
    {
        QFETCH(bool, device);
        QFETCH(int, table);
        QFETCH(int, row);
        const auto tables = tablesOf(sheet::html(*handMade(), device ? fromDevice : fromFile));
        QCOMPARE(tables.size(), 5);
        QCOMPARE(tables[3].size(), 25);
        QCOMPARE(tables[4].size(), 25);
        QTEST(tables[table].value(row), "cells");
    }

    void unusedBytes_data()
    {
        QTest::addColumn<bool>("factory"); // else the hand-made image
        QTest::addColumn<QString>("line");
        QTest::newRow("hand-made") << false
                                   << "Unused bytes (EEPROM address: value): 36: 0x05, 40: "
                                      "0x18, 119: 0xFF";
        QTest::newRow("none") << true << "";
    }
    void unusedBytes()
    {
        QFETCH(bool, factory);
        auto image = factory ? std::make_unique<Image>() : handMade();
        if (factory)
            (*image)[33] = 3, (*image)[35] = 30;
        QTextDocument document;
        document.setHtml(sheet::html(*image, fromFile));
        const QStringList unused = document.toPlainText().split(u'\n').filter("Unused bytes");
        QTEST(unused.value(0).trimmed(), "line");
    }

    // Printed as the window prints it: A4 portrait with 15 mm margins. A
    // device's sheet with every byte of the range unused is the longest.
    void fitsOneA4Page()
    {
        auto image = std::make_unique<Image>();
        std::fill(image->begin() + 33, image->begin() + 121, 0xFF);
        QTextDocument document;
        document.setHtml(sheet::html(*image, fromDevice));
        QBuffer pdf;
        QVERIFY(pdf.open(QIODevice::WriteOnly));
        {
            QPdfWriter writer(&pdf);
            writer.setPageSize(QPageSize(QPageSize::A4));
            writer.setPageOrientation(QPageLayout::Portrait);
            writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
            document.print(&writer);
        }
        static const QRegularExpression page(QStringLiteral(R"(/Type\s*/Page[^s])"));
        QCOMPARE(QString::fromLatin1(pdf.data()).count(page), 1);
    }
};

QTEST_MAIN(TestSheet)
#include "tst_sheet.moc"
