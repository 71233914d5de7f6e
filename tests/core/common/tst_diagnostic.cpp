// The one wording of the programs' messages: "PROGRAM: SUBJECT: WHAT: REASON"
// with the parts a message has, and the kinds no program's test shows whole
// (tst_ctl shows the command-line mistakes and the files in each command).

#include "diagnostic.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace diagnostic;

Q_DECLARE_METATYPE(diagnostic::Problem)

class TestDiagnostic : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QCoreApplication::setApplicationName("tq540ctl");
        QFile(dir.filePath("lang.dll")).open(QIODevice::WriteOnly); // empty: no library
    }

    void lines_data()
    {
        QTest::addColumn<Problem>("problem");
        QTest::addColumn<QString>("line");
        const QString missing = dir.filePath("none.dll");
        const QString empty = dir.filePath("lang.dll");
        // clang-format off
        QTest::newRow("flag with value")  << takesNoValue("--verbose") << "tq540ctl: --verbose: takes no value";
        QTest::newRow("bad value")        << badValue("--sn", "abc", "a number") << "tq540ctl: --sn abc: not a number";
        QTest::newRow("empty value")      << badValue("--sn", "", "a number") << "tq540ctl: --sn '': not a number";
        QTest::newRow("file not read")    << cannotRead("nofile.ztb", "configuration file", "No such file or directory") << "tq540ctl: nofile.ztb: cannot read the configuration file: No such file or directory";
        QTest::newRow("no subject")       << Problem{{}, "no device answered", {}} << "tq540ctl: no device answered";
        QTest::newRow("library missing")  << languageLibraryNotLoaded(missing) << "tq540ctl: " + missing + ": cannot load the language library: No such file or directory";
        QTest::newRow("not a library")    << languageLibraryNotLoaded(empty) << "tq540ctl: " + empty + ": cannot load the language library: not a language library";
        // clang-format on
    }
    void lines()
    {
        QFETCH(Problem, problem);
        QTEST(line(problem), "line");
    }

    void helpLine()
    {
        QCOMPARE(tryHelp("test"), "Try 'tq540ctl test --help'.");
        QCOMPARE(tryHelp(), "Try 'tq540ctl --help'.");
    }
};

QTEST_GUILESS_MAIN(TestDiagnostic)
#include "tst_diagnostic.moc"
