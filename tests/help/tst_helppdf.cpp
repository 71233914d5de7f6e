#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class TestHelpPdf : public QObject
{
    Q_OBJECT

private:
    // Runs makepdf on `html` with the program's string table; its exit code.
    static int makePdf(const QTemporaryDir &dir, const QByteArray &html, const QString &pdf)
    {
        QFile source(dir.filePath(QStringLiteral("manual.html")));
        if (!source.open(QIODevice::WriteOnly) || source.write(html) != html.size())
            return -1;
        source.close();
        QProcess tool;
        tool.start(QStringLiteral(MAKEPDF_PATH),
                   {source.fileName(), QStringLiteral(TQ_SOURCE_DIR "/lang/lang.rc"),
                    QStringLiteral("1.0.20"), pdf});
        if (!tool.waitForFinished(60000))
            return -1;
        return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    }

private slots:
    void manualIsBuilt()
    {
        QFile pdf(QStringLiteral(TQ_BIN_DIR "/dc-tq540-2.pdf"));
        QVERIFY2(pdf.open(QIODevice::ReadOnly), "dc-tq540-2.pdf is missing next to the program");
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        const auto count = QRegularExpression(QStringLiteral(R"(/Type /Pages\b[^>]*/Count (\d+))"))
                               .match(QString::fromLatin1(bytes));
        QVERIFY(count.hasMatch());
        const int pages = count.captured(1).toInt();
        QVERIFY2(pages >= 4 && pages <= 10, qPrintable(QString::number(pages)));
    }

    void knownMessageIdRenders()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
        QCOMPARE(makePdf(dir, "<p>{{1403}} {{version}}</p>", pdf), 0);
        QFile out(pdf);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QVERIFY(out.read(5) == "%PDF-");
    }

    void unknownMessageIdFailsTheBuild()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
        QVERIFY(makePdf(dir, "<p>{{9999}}</p>", pdf) != 0);
        QVERIFY(!QFile::exists(pdf));
    }
};

QTEST_GUILESS_MAIN(TestHelpPdf)
#include "tst_helppdf.moc"
