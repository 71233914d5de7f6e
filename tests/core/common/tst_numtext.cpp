#include "numtext.h"
#include "programfiles.h"

#include <QTest>
#include <limits>

class TestNumText : public QObject
{
    Q_OBJECT

private slots:
    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("blanks before") << "  12" << 12.0;
        QTest::newRow("letter") << "x" << 0.0;
        QTest::newRow("negative fraction") << "-2.5" << -2.5;
        QTest::newRow("point first") << ".5" << 0.5;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("letter e without digits") << "3e" << 3.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("too large, negative") << "-1e400" << -std::numeric_limits<double>::max();
        QTest::newRow("too small") << "1e-400" << 0.0;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QTEST(numtext::leadingNumber(text), "expected");
    }

    // Halves round to the even neighbour; outside 32 bits there is no value.
    void roundedInt32_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("inRange");
        QTest::addColumn<int>("expected");
        QTest::newRow("2.5") << "2.5" << true << 2;
        QTest::newRow("3.5") << "3.5" << true << 4;
        QTest::newRow("-2.5") << "-2.5" << true << -2;
        QTest::newRow("largest") << "2147483647" << true << 2147483647;
        QTest::newRow("one past") << "2147483648" << false << 0;
        QTest::newRow("smallest") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("below") << "-2147483649" << false << 0;
        QTest::newRow("huge exponent") << "1e400" << false << 0;
        QTest::newRow("half rounds down to even") << "2147483646.5" << true << 2147483646;
    }
    void roundedInt32()
    {
        QFETCH(QString, text);
        QFETCH(bool, inRange);
        QFETCH(int, expected);
        QCOMPARE(numtext::roundedInt32(text), inRange ? std::optional(expected) : std::nullopt);
    }

    void besideTheProgram_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("path");
        QTest::newRow("folder") << "/opt/tq" << QStringLiteral("/opt/tq/lang.dll");
        QTest::newRow("with separator") << "/opt/tq/" << QStringLiteral("/opt/tq/lang.dll");
        QTest::newRow("backslash") << "C:\\Tools\\" << QStringLiteral("C:\\Tools\\lang.dll");
    }
    void besideTheProgram()
    {
        QFETCH(QString, dir);
        QTEST(programfiles::beside(dir, QStringLiteral("lang.dll")), "path");
    }
};

QTEST_GUILESS_MAIN(TestNumText)
#include "tst_numtext.moc"
