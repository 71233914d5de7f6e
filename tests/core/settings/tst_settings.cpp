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

    QTemporaryDir config;  // the user's scope, through XDG_CONFIG_HOME
    QTemporaryDir machine; // the machine-wide scope, through QSettings' system path

    // Where the store keeps the program's values off Windows.
    QString userIni() const { return config.filePath("Corvant/kWare.ini"); }
    QString machineIni() const { return machine.filePath("Corvant/kWare.ini"); }

    // An INI file as the store keeps it, with `lines` (name=value, one a line)
    // under the program's key.
    static void writeIni(const QString &path, const Bytes &lines)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        Bytes text = "[SoftWare]\n";
        for (const Bytes &line : lines.split('\n'))
            text += line.isEmpty() ? Bytes() : "Corvant\\kWare\\" + line + "\n";
        writeFile(path, text);
        // The store caches files by size and time; each case's file must look new.
        static int age = 0;
        QFile ini(path);
        QVERIFY(ini.open(QIODevice::ReadWrite));
        QVERIFY(ini.setFileTime(QDateTime::currentDateTime().addSecs(++age),
                                QFileDevice::FileModificationTime));
    }

    // The value `name` as the program reads it, as text.
    static QString readAsProgram(const QString &name)
    {
        if (name == "Com")
            return QString::number(comport::readStoredIndex());
        if (name == "WindowGeometry")
            return QString::fromLatin1(settingsstore::windowGeometry());
        return settingsstore::mappedPortPath(3);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(config.isValid() && machine.isValid());
        // Before the first settings object, so the store lands in the temporary folder.
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    }
    void init()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, machine.path());
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
        writeIni(userIni(), iniValue);
        writeIni(machineIni(), {});
        QString value = "stale";
        QTEST(Reg::RegGetString(Reg::RootKey::CurrentUser, settingsstore::programKeyPath, "Com",
                                value),
              "readOk");
        QTEST(value, "text");
        QTEST(comport::readStoredIndex(), "index");
    }

    // Every stored value is the user's own when the user's scope holds it, and
    // the machine-wide one (an installer's default) otherwise.
    void readOrder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Bytes>("user");
        QTest::addColumn<Bytes>("machine");
        QTest::addColumn<QString>("read");
        // clang-format off
        QTest::newRow("Com, machine's alone")      << "Com" << Bytes() << Bytes("Com=3") << "3";
        QTest::newRow("Com, both")                 << "Com" << Bytes("Com=5") << Bytes("Com=3") << "5";
        QTest::newRow("geometry, machine's alone") << "WindowGeometry" << Bytes() << Bytes("WindowGeometry=@ByteArray(machine)") << "machine";
        QTest::newRow("geometry, both")            << "WindowGeometry" << Bytes("WindowGeometry=@ByteArray(user)") << Bytes("WindowGeometry=@ByteArray(machine)") << "user";
        QTest::newRow("port map, machine's alone") << "Ports" << Bytes() << Bytes("Ports\\COM3=/dev/ttyUSB5") << "/dev/ttyUSB5";
        QTest::newRow("port map, both")            << "Ports" << Bytes("Ports\\COM3=/dev/ttyACM1") << Bytes("Ports\\COM3=/dev/ttyUSB5") << "/dev/ttyACM1";
        // clang-format on
    }
    void readOrder()
    {
        QFETCH(QString, name);
        QFETCH(Bytes, user);
        QFETCH(Bytes, machine);
        writeIni(userIni(), user);
        writeIni(machineIni(), machine);
        QTEST(readAsProgram(name), "read");
    }

    // A standard user cannot write the machine-wide scope; the choice is kept
    // in the user's own, and the machine's default is left as it was.
    void writesGoToTheUserScopeOnly_data()
    {
        QTest::addColumn<QString>("machineFolder"); // empty: the test's own
        QTest::newRow("machine scope holds values") << QString();
        // A file: nothing can be made below it, whoever runs the test.
        QTest::newRow("machine scope cannot be written") << "/dev/null";
    }
    void writesGoToTheUserScopeOnly()
    {
        QFETCH(QString, machineFolder);
        writeIni(userIni(), {});
        writeIni(machineIni(), "Com=3\nWindowGeometry=@ByteArray(machine)");
        const Bytes machineValues = readFile(machineIni());
        if (!machineFolder.isEmpty())
            QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, machineFolder);
        QVERIFY(comport::writeStoredIndex(9));
        settingsstore::setWindowGeometry("user");
        QCOMPARE(readFile(machineIni()), machineValues);
        QCOMPARE(comport::readStoredIndex(), 9);
        QCOMPARE(settingsstore::windowGeometry(), Bytes("user"));
    }

    // None selected is stored too, and reads back as port 1.
    void comIndexIsStoredAsText()
    {
        for (const auto &[index, stored] : {std::pair(15, "15"), std::pair(-1, "-1")}) {
            QVERIFY(comport::writeStoredIndex(index));
            QCOMPARE(QSettings(userIni(), QSettings::IniFormat)
                         .value("SoftWare/Corvant/kWare/Com")
                         .toString(),
                     QString::fromLatin1(stored));
            QCOMPARE(comport::readStoredIndex(), index < 0 ? 0 : index);
        }
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
