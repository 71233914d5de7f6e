#include "ctlprocess.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

using namespace ctltest;

QJsonArray rows(int count, const QJsonArray &row)
{
    QJsonArray result;
    for (int i = 0; i < count; ++i)
        result.append(row);
    return result;
}

// A cleared window: empty cells, "9600", alarm off, dwell "30".
QJsonObject clearedConfig()
{
    return {{"baud", "9600"},
            {"alarm", false},
            {"dwell", "30"},
            {"inputs", rows(24, {"", "", "", ""})},
            {"outputs", rows(24, {"", ""})}};
}

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson();
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
    QString pipe() const { return path("pipe"); }

    QJsonObject showJson(const QString &file)
    {
        const Run run = tq540ctl({"show", file, "--json"});
        if (run.status != 0)
            qWarning() << run.err;
        return QJsonDocument::fromJson(run.out.toUtf8()).object();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
#ifdef Q_OS_UNIX
        QCOMPARE(::mkfifo(QFile::encodeName(pipe()).constData(), 0600), 0);
#endif
    }

    void helpListsCommands()
    {
        const Run run = tq540ctl({"--help"});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.contains("show FILE.ztb [--json]"));
        QVERIFY(run.out.contains("encode FILE.json -o FILE.ztb"));
    }

    void badCommandLines_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"frobnicate"};
        QTest::newRow("show without file") << QStringList{"show"};
        QTest::newRow("show two files") << QStringList{"show", "a.ztb", "b.ztb"};
        QTest::newRow("encode without -o") << QStringList{"encode", "a.json"};
        QTest::newRow("encode -o without file") << QStringList{"encode", "a.json", "-o"};
    }
    void badCommandLines()
    {
        QFETCH(QStringList, arguments);
        const Run run = tq540ctl(arguments);
        QCOMPARE(run.status, 2);
        QVERIFY(!run.err.isEmpty());
    }

    void showDecodesHandMadeFile()
    {
        const QString file = path("hand.ztb");
        writeFile(file, bytesAt(81, {{32, 1},
                                     {33, 0xFF},
                                     {34, 200},
                                     {39, 0xE5},
                                     {40, 0x18},
                                     {62, 0x41},
                                     {79, 0x81},
                                     {80, 0x7E}}));
        const QJsonObject shown = showJson(file);
        QCOMPARE(shown["baud"].toString(), "2400");
        QCOMPARE(shown["alarm"].toBool(false), true);
        QCOMPARE(shown["dwell"].toString(), "200");
        const QJsonArray inputs = shown["inputs"].toArray();
        const QJsonArray outputs = shown["outputs"].toArray();
        QCOMPARE(inputs.size(), 24);
        QCOMPARE(outputs.size(), 24);
        QCOMPARE(inputs[0].toArray(), (QJsonArray{"1", "x", "5", "x"}));
        QCOMPARE(inputs[1].toArray(), (QJsonArray{"0", "", "0", ""}));
        QCOMPARE(inputs[23].toArray(), (QJsonArray{"0", "", "1", "x"}));
        QCOMPARE(outputs[0].toArray(), (QJsonArray{"1", "x"}));
        QCOMPARE(outputs[1].toArray(), (QJsonArray{"0", ""}));
        QCOMPARE(outputs[23].toArray(), (QJsonArray{"0", ""}));
    }

    void showPrintsTable()
    {
        const QString file = path("table.ztb");
        writeFile(file, bytesAt(80, {{32, 4}, {34, 45}, {39, 0xE5}, {79, 0x81}}));
        const Run run = tq540ctl({"show", file});
        QCOMPARE(run.status, 0);
        const QStringList lines = run.out.split(u'\n');
        QVERIFY(lines.contains("Baud rate:       19200"));
        QVERIFY(lines.contains("Alarm system:    off"));
        QVERIFY(lines.contains("LED dwell time:  45"));
        QVERIFY(lines.contains("    1  1         x         5         x"));
        QVERIFY(lines.contains("    1  1         x"));
        QVERIFY(lines.contains("   24  0                   0"));
    }

    void showEmptyFileIsAllZero()
    {
        const QString file = path("empty.ztb");
        writeFile(file, {});
        const QJsonObject shown = showJson(file);
        QCOMPARE(shown["baud"].toString(), "1200");
        QCOMPARE(shown["dwell"].toString(), "0");
        QCOMPARE(shown["inputs"].toArray(), rows(24, {"0", "", "0", ""}));
    }

    void showMissingFileFails()
    {
        const Run run = tq540ctl({"show", path("absent.ztb")});
        QVERIFY(run.status != 0);
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.err.contains("absent.ztb"));
    }

    void encodeClearedWindow()
    {
        writeFile(path("cleared.json"), json(clearedConfig()));
        const Run run = tq540ctl({"encode", path("cleared.json"), "-o", path("cleared.ztb")});
        QCOMPARE(run.status, 0);
        QCOMPARE(readFile(path("cleared.ztb")), bytesAt(35, {{32, 0x03}, {33, 0x00}, {34, 0x1E}}));
    }

    void encodeTypedTexts()
    {
        QJsonObject config = clearedConfig();
        config["baud"] = QJsonValue(); // no selection: 9600
        config["alarm"] = true;
        config["dwell"] = "3.5";
        QJsonArray inputs = config["inputs"].toArray();
        inputs[0] = QJsonArray{"1", "x", "5", "x"};
        inputs[23] = QJsonArray{"0", " ", "9", " x "};
        config["inputs"] = inputs;
        QJsonArray outputs = config["outputs"].toArray();
        outputs[23] = QJsonArray{"3", "x"};
        config["outputs"] = outputs;
        writeFile(path("typed.json"), json(config));
        const Run run = tq540ctl({"encode", path("typed.json"), "--output", path("typed.ztb")});
        QCOMPARE(run.status, 0);
        QCOMPARE(readFile(path("typed.ztb")),
                 bytesAt(103, {{32, 3}, {33, 1}, {34, 4}, {39, 0xE5}, {62, 0x41}, {102, 0x81}}));
    }

    // A file of codec fields only comes back byte for byte through show and encode.
    void showThenEncodeRoundTrips()
    {
        const QByteArray original = bytesAt(103, {{32, 2},
                                                  {33, 1},
                                                  {34, 255},
                                                  {39, 0xE7},
                                                  {50, 0x20},
                                                  {62, 0x40},
                                                  {79, 0x01},
                                                  {102, 0x80}});
        writeFile(path("round.ztb"), original);
        const Run shown = tq540ctl({"show", path("round.ztb"), "--json"});
        QCOMPARE(shown.status, 0);
        writeFile(path("round.json"), shown.out.toUtf8());
        const Run run = tq540ctl({"encode", path("round.json"), "-o", path("round2.ztb")});
        QCOMPARE(run.status, 0);
        QCOMPARE(readFile(path("round2.ztb")), original);
    }

    void encodeRejectsBadContent_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("named"); // what the message must name

        const auto with = [](const QString &key, const QJsonValue &value) {
            QJsonObject config = clearedConfig();
            config[key] = value;
            return json(config);
        };
        const auto without = [](const QString &key) {
            QJsonObject config = clearedConfig();
            config.remove(key);
            return json(config);
        };
        QJsonArray shortRow = rows(24, {"", "", "", ""});
        shortRow[5] = QJsonArray{"", "", ""};
        QJsonArray numberCell = rows(24, {"", ""});
        numberCell[2] = QJsonArray{1, ""};
        const auto inputCell = [](int row, int col, const QString &text) {
            QJsonArray inputs = rows(24, {"", "", "", ""});
            QJsonArray cells = inputs[row].toArray();
            cells[col] = text;
            inputs[row] = cells;
            return inputs;
        };
        QJsonArray outputCheck = rows(24, {"", ""});
        outputCheck[23] = QJsonArray{"", "1"};

        QTest::newRow("not JSON") << QByteArray("{\"baud\": ") << QByteArray("JSON");
        // The column counts characters: the "a" with diaeresis takes two bytes.
        QTest::newRow("bad value")
            << QByteArray("{\n  \"b\xc3\xa4ud\": x\n}") << QByteArray("line 2, column 11");
        QTest::newRow("array") << QByteArray("[1, 2]") << QByteArray("object");
        QTest::newRow("missing dwell") << without("dwell") << QByteArray("dwell");
        QTest::newRow("missing outputs") << without("outputs") << QByteArray("outputs");
        QTest::newRow("unknown key") << with("speed", 1) << QByteArray("speed");
        QTest::newRow("23 input rows")
            << with("inputs", rows(23, {"", "", "", ""})) << QByteArray("inputs");
        QTest::newRow("short row") << with("inputs", shortRow) << QByteArray("inputs[5]");
        QTest::newRow("number cell") << with("outputs", numberCell) << QByteArray("outputs[2][0]");
        QTest::newRow("alarm as text") << with("alarm", "yes") << QByteArray("alarm");
        QTest::newRow("dwell as number") << with("dwell", 30) << QByteArray("dwell");
        QTest::newRow("baud as number") << with("baud", 9600) << QByteArray("baud");
        QTest::newRow("baud not listed") << with("baud", "38400") << QByteArray("38400");
        // Check cells hold "x" or blanks; the codec would read these as not set.
        QTest::newRow("capital X")
            << with("inputs", inputCell(5, 1, "X")) << QByteArray("inputs[5][1]");
        QTest::newRow("y") << with("inputs", inputCell(0, 3, "y")) << QByteArray("inputs[0][3]");
        QTest::newRow("1") << with("outputs", outputCheck) << QByteArray("outputs[23][1]");
        QTest::newRow("yes") << with("inputs", inputCell(23, 1, "yes"))
                             << QByteArray("inputs[23][1]");
    }
    void encodeRejectsBadContent()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, named);
        writeFile(path("bad.json"), content);
        QFile::remove(path("bad.ztb"));
        const Run run = tq540ctl({"encode", path("bad.json"), "-o", path("bad.ztb")});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(QString::fromUtf8(named)), qPrintable(run.err));
        QVERIFY(!QFile::exists(path("bad.ztb")));
    }

    void encodeUnreadableInputFails()
    {
        const Run run = tq540ctl({"encode", path("absent.json"), "-o", path("out.ztb")});
        QVERIFY(run.status != 0);
        QVERIFY(run.err.contains("absent.json"));
        QVERIFY(!QFile::exists(path("out.ztb")));
    }

    // Refused at once, without waiting for a writer to open the pipe.
    void pipesAreRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("show") << QStringList{"show", pipe()};
        QTest::newRow("encode") << QStringList{"encode", pipe(), "-o", path("piped.ztb")};
    }
    void pipesAreRefused()
    {
        QFETCH(QStringList, arguments);
        if (!QFileInfo(pipe()).exists())
            QSKIP("no named pipes here");
        const Run run = tq540ctl(arguments);
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err, QStringLiteral("tq540ctl: %1: not a regular file (a folder, a device "
                                         "or a pipe)\n")
                              .arg(pipe()));
        QVERIFY(!QFile::exists(path("piped.ztb")));
    }

    void encodeUnwritableOutputFails()
    {
        writeFile(path("ok.json"), json(clearedConfig()));
        const Run run = tq540ctl({"encode", path("ok.json"), "-o", path("no/folder/out.ztb")});
        QVERIFY(run.status != 0);
        QVERIFY(run.err.contains("out.ztb"));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
