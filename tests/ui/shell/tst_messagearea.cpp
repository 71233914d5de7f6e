// The status bar's message area: a message stands after the version where the
// notice would start, the notice after it, and a message longer than the bar
// has room for is shortened in the middle; without one, the design's layout.

#include "ctrlsbar.h"
#include "twips.h"

#include <QLabel>
#include <QTest>

class TestMessageArea : public QObject
{
    Q_OBJECT

private slots:
    void message()
    {
        ctrlSBar bar;
        bar.resize(900, 0);
        bar.show();
        const auto *message = bar.findChild<QLabel *>(QStringLiteral("lbMessage"));
        const auto *notice = bar.findChild<QLabel *>(QStringLiteral("lbCopyRight"));
        bar.setMessage(QStringLiteral("Recording a trace to /tmp/link.txt"));
        QVERIFY(message->isVisible());
        QCOMPARE(message->x(), twips::toPixels(3765));
        QCOMPARE(message->text(), bar.Message());
        QCOMPARE(notice->x(), message->geometry().right() + 1 + twips::toPixels(375));
        QCOMPARE(notice->geometry().right() + 1, 900);

        const QString path = QStringLiteral("/very/long") + QString(200, u'x') + ".txt";
        bar.setMessage(path);
        QVERIFY(message->text().startsWith(QStringLiteral("/very/")));
        QVERIFY(message->text().contains(QChar(0x2026))); // the ellipsis
        QCOMPARE(message->toolTip(), path);
        QVERIFY(notice->x() <= 900);

        bar.setMessage({});
        QVERIFY(!message->isVisible());
        QCOMPARE(notice->x(), twips::toPixels(3765));
    }

    // Parts of their own stand side by side in the order of their numbers;
    // an emptied part leaves the others.
    void parts()
    {
        ctrlSBar bar;
        bar.setMessagePart(2, QStringLiteral("3 values will change"));
        bar.setMessage(QStringLiteral("Recording"));
        QCOMPARE(bar.Message(), QStringLiteral("Recording   |   3 values will change"));
        bar.setMessage({});
        QCOMPARE(bar.Message(), QStringLiteral("3 values will change"));
        bar.setMessagePart(2, {});
        QCOMPARE(bar.Message(), QString());
    }
};

QTEST_MAIN(TestMessageArea)
#include "tst_messagearea.moc"
