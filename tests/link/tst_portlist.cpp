// Which COM number leads to which of the system's ports, and how the COM list
// names it. "$TMP" in a row stands for a scratch folder.

#include "portlist.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using portlist::SystemPort;

class TestPortList : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString expand(QString text) const { return text.replace(QStringLiteral("$TMP"), dir.path()); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        QFile device(dir.filePath(QStringLiteral("ttyX")));
        QVERIFY(device.open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(device.fileName(), dir.filePath(QStringLiteral("by-id"))));
    }

    void comNumbersAndEntries_data()
    {
        QTest::addColumn<QStringList>("map");   // COMn=device
        QTest::addColumn<QStringList>("ports"); // the system's: path|name|description
        QTest::addColumn<int>("com");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QList<int>>("comsOfFirst"); // of the first port listed
        const QString usb0 = QStringLiteral("/dev/ttyUSB0|ttyUSB0|FT232R USB UART");
        QTest::newRow("built-in map") << QStringList{} << QStringList{usb0} << 9
                                      << "9  ttyUSB0 (FT232R USB UART)" << QList<int>{9};
        QTest::newRow("no description") << QStringList{} << QStringList{"/dev/ttyACM1|ttyACM1|"}
                                        << 14 << "14  ttyACM1" << QList<int>{14};
        QTest::newRow("number without a port")
            << QStringList{} << QStringList{usb0} << 10 << "10" << QList<int>{9};
        QTest::newRow("map entry leads elsewhere")
            << QStringList{"COM9=/dev/ttyUSB3"} << QStringList{usb0} << 9 << "9" << QList<int>{};
        QTest::newRow("two numbers, one port")
            << QStringList{"COM3=/dev/ttyUSB0"} << QStringList{usb0} << 3
            << "3  ttyUSB0 (FT232R USB UART)" << QList<int>{3, 9};
        QTest::newRow("map through a symbolic link")
            << QStringList{"COM5=$TMP/by-id"} << QStringList{"$TMP/ttyX|ttyX|Adapter"} << 5
            << "5  ttyX (Adapter)" << QList<int>{5};
        QTest::newRow("mapped device the system does not list")
            << QStringList{"COM4=$TMP/ttyX"} << QStringList{} << 4 << "4  ttyX" << QList<int>{4};
        QTest::newRow("mapped device that does not exist")
            << QStringList{"COM4=$TMP/gone"} << QStringList{} << 4 << "4" << QList<int>{};
    }
    void comNumbersAndEntries()
    {
        QFETCH(QStringList, map);
        QFETCH(QStringList, ports);
        QFETCH(int, com);
        QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Corvant"),
                        QStringLiteral("kWare"));
        store.clear();
        for (const QString &entry : map)
            store.setValue(QStringLiteral("SoftWare/Corvant/kWare/Ports/") +
                               entry.section(u'=', 0, 0),
                           expand(entry.section(u'=', 1)));
        store.sync();
        std::vector<SystemPort> system;
        for (const QString &port : ports) {
            const QStringList fields = expand(port).split(u'|');
            SystemPort listed;
            listed.path = fields[0];
            listed.name = fields[1];
            listed.description = fields[2];
            system.push_back(listed);
        }
        portlist::ScopedSource source([&] { return system; });

        const std::vector<SystemPort> listed = portlist::systemPorts();
        QTEST(portlist::comListEntry(com, listed), "entry");
        const std::vector<int> coms =
            listed.empty() ? std::vector<int>{} : portlist::comNumbersOf(listed.front());
        QTEST(QList<int>(coms.begin(), coms.end()), "comsOfFirst");
    }
};

QTEST_GUILESS_MAIN(TestPortList)
#include "tst_portlist.moc"
