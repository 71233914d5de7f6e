#include "uilanguage.h"

#include <QtTest>

class TestUiLanguage : public QObject
{
    Q_OBJECT

private slots:
    // Language IDs as Windows documents them for each locale name.
    void fromNames_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("id"); // -1: none
        const auto row = [](const char *name, const QStringList &names, int id) {
            QTest::newRow(name) << names << id;
        };
        row("a country of its own", {"de-AT"}, 0x0C07);
        row("the default country", {"de-DE"}, 0x0407);
        row("Brazil is Portuguese's default", {"pt-BR"}, 0x0416);
        row("Portugal", {"pt-PT"}, 0x0816);
        row("Spain sorts the modern way", {"es-ES"}, 0x0C0A);
        row("script and country", {"zh-Hans-CN"}, 0x0804);
        row("the country before the script", {"zh-Hant-HK"}, 0x0C04);
        row("the script decides", {"sr-Latn-RS"}, 0x241A);
        row("the language alone", {"de"}, 0x0007);
        row("a country without an ID", {"de-BE"}, 0x0007);
        row("underscore", {"en_GB"}, 0x0809);
        row("the first known", {"xx-YY", "pt-BR", "de-DE"}, 0x0416);
        row("unknown", {"xx"}, -1);
        row("none", {}, -1);
    }
    void fromNames()
    {
        QFETCH(QStringList, names);
        QFETCH(int, id);
        const auto found = uilanguage::fromNames(names);
        QCOMPARE(found ? int(*found) : -1, id);
    }
};

QTEST_GUILESS_MAIN(TestUiLanguage)
#include "tst_uilanguage.moc"
