#include "ctrlsbar.h"
#include "twips.h"

#include <QFontDatabase>
#include <QLabel>
#include <QtTest>

class TestCtrlSBar : public QObject
{
    Q_OBJECT

private:
    static QLabel *label(ctrlSBar &bar, const char *name)
    {
        return bar.findChild<QLabel *>(QString::fromLatin1(name));
    }

private slots:
    void heightSnapsBack_data()
    {
        QTest::addColumn<int>("askedHeight");
        QTest::newRow("zero") << 0;
        QTest::newRow("one pixel") << 1;
        QTest::newRow("a little taller") << twips::toPixels(240) + 1;
        QTest::newRow("tall") << 400;
    }

    void heightSnapsBack()
    {
        QFETCH(int, askedHeight);
        ctrlSBar bar;
        bar.show();
        bar.setGeometry(0, 0, 500, askedHeight);
        QCOMPARE(bar.height(), twips::toPixels(240));
        bar.resize(700, askedHeight);
        QCOMPARE(bar.height(), twips::toPixels(240));
        QCOMPARE(bar.width(), 700);
    }

    void copyRightFillsTheRest()
    {
        ctrlSBar bar;
        bar.show();
        bar.resize(640, 16);
        const QRect notice = label(bar, "lbCopyRight")->geometry();
        QCOMPARE(notice.left(), twips::toPixels(3765));
        // Its right edge is the bar's (one pixel of rounding allowed).
        QVERIFY(qAbs(notice.right() + 1 - bar.width()) <= 1);
    }

    void tooNarrowKeepsLastWidth_data()
    {
        QTest::addColumn<int>("narrowWidth");
        QTest::newRow("zero") << 0;
        QTest::newRow("at the version") << twips::toPixels(3765) / 2;
        QTest::newRow("one short of the notice") << twips::toPixels(3765) - 2;
    }

    void tooNarrowKeepsLastWidth()
    {
        QFETCH(int, narrowWidth);
        ctrlSBar bar;
        bar.show();
        bar.resize(640, 16);
        const int lastWidth = label(bar, "lbCopyRight")->width();
        QVERIFY(lastWidth > 300);
        bar.resize(narrowWidth, 16);
        QCOMPARE(label(bar, "lbCopyRight")->width(), lastWidth);
        bar.resize(800, 16);
        QVERIFY(label(bar, "lbCopyRight")->width() > lastWidth);
    }

    void textsReadBack()
    {
        ctrlSBar bar;
        bar.setVersion(QStringLiteral("Version 1.0.20"));
        bar.setProperty("CopyRight", QStringLiteral("(c) Corvant"));
        QCOMPARE(bar.property("Version").toString(), QStringLiteral("Version 1.0.20"));
        QCOMPARE(bar.CopyRight(), QStringLiteral("(c) Corvant"));
        QCOMPARE(label(bar, "lbVersion")->text(), QStringLiteral("Version 1.0.20"));
        QCOMPARE(label(bar, "lbCopyRight")->text(), QStringLiteral("(c) Corvant"));
    }

    void labelsUseSystemFont()
    {
        ctrlSBar bar;
        const QString family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        QCOMPARE(label(bar, "lbVersion")->font().family(), family);
        QCOMPARE(label(bar, "lbCopyRight")->font().family(), family);
    }
};

QTEST_MAIN(TestCtrlSBar)
#include "tst_ctrlsbar.moc"
