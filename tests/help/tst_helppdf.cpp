#include "testfiles.h"

#include <QtTest>

class TestHelpPdf : public QObject
{
    Q_OBJECT

private slots:
    void manualIsBuilt()
    {
        const QByteArray bytes = readFile(QStringLiteral(TQ_BIN_DIR "/dc-tq540-2.pdf"));
        QVERIFY2(bytes.startsWith("%PDF-"), "no document next to the program");
        const auto count = QRegularExpression(QStringLiteral(R"(/Type /Pages\b[^>]*/Count (\d+))"))
                               .match(QString::fromLatin1(bytes));
        const int pages = count.captured(1).toInt();
        QVERIFY2(pages >= 4 && pages <= 10, qPrintable(count.captured(0)));
    }

    // makepdf quotes message texts from the program's string table; an ID it
    // does not hold fails the build and leaves no document.
    void messageIds_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<bool>("built");
        QTest::newRow("known") << QByteArray("<p>{{1403}} {{version}}</p>") << true;
        QTest::newRow("unknown") << QByteArray("<p>{{9999}}</p>") << false;
    }
    void messageIds()
    {
        QFETCH(QByteArray, html);
        QFETCH(bool, built);
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("manual.html"));
        writeFile(source, html);
        const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
        QProcess tool;
        tool.start(
            QStringLiteral(MAKEPDF_PATH),
            {source, QStringLiteral(TQ_SOURCE_DIR "/lang/lang.rc"), QStringLiteral("1.0.20"), pdf});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0, built);
        QFile out(pdf);
        QCOMPARE(out.open(QIODevice::ReadOnly) && out.read(5) == "%PDF-", built);
    }
};

QTEST_GUILESS_MAIN(TestHelpPdf)
#include "tst_helppdf.moc"
