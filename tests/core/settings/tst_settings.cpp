#include "comport.h"
#include "reg.h"
#include "settingsstore.h"
#include "testfiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using Bytes = QByteArray;

class TestSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir config;

    // Where the store keeps the program's values off Windows.
    QString iniPath() const { return config.filePath("Corvant/kWare.ini"); }

private slots:
    void initTestCase()
    {
        QVERIFY(config.isValid());
        // Before the first settings object, so the store lands in the temporary folder.
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    }

    void storedComIndex_data()
    {
        QTest::addColumn<Bytes>("iniValue"); // the line as the file holds it; empty: no value
        QTest::addColumn<bool>("readOk");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index");
        QTest::newRow("blanks") << Bytes("Com=\" 7 \"") << true << "7" << 7;
        QTest::newRow("15") << Bytes("Com=15") << true << "15" << 15;
        QTest::newRow("16") << Bytes("Com=16") << true << "16" << 0;
        QTest::newRow("-1") << Bytes("Com=-1") << true << "-1" << 0;
        QTest::newRow("half to even") << Bytes("Com=6.5") << true << "6.5" << 6;
        QTest::newRow("empty") << Bytes("Com=") << true << "" << 0;
        QTest::newRow("trailing zero byte") << Bytes("Com=\"15\\0\"") << true << "15" << 15;
        QTest::newRow("missing") << Bytes() << false << "" << 0;
    }
    void storedComIndex()
    {
        QFETCH(Bytes, iniValue);
        QVERIFY(QDir().mkpath(config.filePath("Corvant")));
        writeFile(iniPath(),
                  "[SoftWare]\n" + iniValue.replace("Com=", "Corvant\\kWare\\Com=") + "\n");
        // The store caches files by size and time; each case's file must look new.
        static int age = 0;
        QFile ini(iniPath());
        QVERIFY(ini.open(QIODevice::ReadWrite));
        QVERIFY(ini.setFileTime(QDateTime::currentDateTime().addSecs(++age),
                                QFileDevice::FileModificationTime));
        ini.close();
        QString value = "stale";
        QTEST(Reg::RegGetString(Reg::RootKey::LocalMachine, settingsstore::programKeyPath, "Com",
                                value),
              "readOk");
        QTEST(value, "text");
        QTEST(comport::readStoredIndex(), "index");
    }

    // None selected is stored too, and reads back as port 1.
    void comIndexIsStoredAsText()
    {
        for (const auto &[index, stored] : {std::pair(15, "15"), std::pair(-1, "-1")}) {
            QVERIFY(comport::writeStoredIndex(index));
            QCOMPARE(QSettings(iniPath(), QSettings::IniFormat)
                         .value("SoftWare/Corvant/kWare/Com")
                         .toString(),
                     QString::fromLatin1(stored));
            QCOMPARE(comport::readStoredIndex(), index < 0 ? 0 : index);
        }
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
