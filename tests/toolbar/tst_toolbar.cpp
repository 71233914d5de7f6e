#include "../testfiles.h"
#include "apifilefunction.h"
#include "comport.h"
#include "configfile.h"
#include "reg.h"
#include "settingsstore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace API_FileFunction;

namespace {

using Bytes = QByteArray;

std::span<const std::uint8_t> bytesOf(const Bytes &bytes)
{
    return {reinterpret_cast<const std::uint8_t *>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

std::span<std::uint8_t> bytesOf(Bytes &bytes)
{
    return {reinterpret_cast<std::uint8_t *>(bytes.data()), static_cast<std::size_t>(bytes.size())};
}

// Where the store keeps the program's values off Windows.
QString iniPath(const QTemporaryDir &config)
{
    return config.filePath("Corvant/kWare.ini");
}

} // namespace

class TestToolbar : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QTemporaryDir config;
#ifdef Q_OS_UNIX
    int pipeWriter = -1;
#endif

    QString path(const QString &name) const
    {
        return dir.filePath(name);
    }
    QString pipePath() const
    {
        return path("pipe.ztb");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(config.isValid());
        // Before the first settings object, so the store lands in the temporary folder.
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
#ifdef Q_OS_UNIX
        // A pipe with a writer and a full buffer of bytes waiting: a reader
        // that opened it would get them at once instead of blocking the test.
        const QByteArray pipe = QFile::encodeName(pipePath());
        QCOMPARE(::mkfifo(pipe.constData(), 0600), 0);
        pipeWriter = ::open(pipe.constData(), O_RDWR | O_NONBLOCK);
        QVERIFY(pipeWriter >= 0);
        const QByteArray waiting(1 << 16, 'x');
        QVERIFY(::write(pipeWriter, waiting.constData(), waiting.size()) > 16384);
#endif
    }
    void cleanupTestCase()
    {
#ifdef Q_OS_UNIX
        ::close(pipeWriter);
#endif
    }

    // --- configuration files ---

    void saveDropsTrailingZeros_data()
    {
        QTest::addColumn<Bytes>("buffer");
        QTest::addColumn<Bytes>("file");
        QTest::newRow("all zero") << Bytes(65536, '\0') << Bytes(1, '\0');
        QTest::newRow("last byte set")
            << bytesAt(65536, {{65535, '\x01'}}) << bytesAt(65536, {{65535, '\x01'}});
        QTest::newRow("positions 1 and 3")
            << bytesAt(64, {{0, '\x11'}, {2, '\x33'}}) << Bytes("\x11\x00\x33", 3);
        QTest::newRow("one byte") << Bytes(1, '\x7F') << Bytes(1, '\x7F');
    }
    // Over a longer old file, which goes entirely.
    void saveDropsTrailingZeros()
    {
        QFETCH(Bytes, buffer);
        QFETCH(Bytes, file);
        const QString name = path("saved.ztb");
        writeFile(name, Bytes(70000, '\x44'));
        QCOMPARE(configfile::save(name, bytesOf(buffer)), file.size());
        QCOMPARE(readFile(name), file);
    }

    void loadReadsFilePrefix_data()
    {
        QTest::addColumn<Bytes>("file");
        QTest::addColumn<int>("count");
        QTest::addColumn<Bytes>("buffer"); // after loading over a buffer of 0xEE bytes
        QTest::newRow("shorter") << Bytes("\x01\x02\x03") << 3
                                 << bytesAt(8, {{0, 1}, {1, 2}, {2, 3}});
        QTest::newRow("same length") << Bytes("ABCDEFGH") << 8 << Bytes("ABCDEFGH");
        QTest::newRow("longer") << Bytes("ABCDEFGHIJKLMNOP") << 8 << Bytes("ABCDEFGH");
        QTest::newRow("empty") << Bytes() << 0 << Bytes(8, '\0');
    }
    void loadReadsFilePrefix()
    {
        QFETCH(Bytes, file);
        QFETCH(int, count);
        QFETCH(Bytes, buffer);
        const QString name = path("load.ztb");
        writeFile(name, file);
        Bytes loaded(8, '\xEE');
        QCOMPARE(configfile::load(name, bytesOf(loaded)), count);
        QCOMPARE(loaded, buffer);
    }

    void readOnlyFileLoads()
    {
        const QString name = path("readonly.ztb");
        writeFile(name, Bytes("\x05\x06"));
        QVERIFY(QFile::setPermissions(name, QFile::ReadOwner | QFile::ReadGroup));
        Bytes loaded(4, '\0');
        QCOMPARE(configfile::load(name, bytesOf(loaded)), 2);
        QCOMPARE(loaded, bytesAt(4, {{0, 5}, {1, 6}}));
    }

    void unreadableFileFailsAndKeepsBuffer_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("result");
        QTest::newRow("missing") << path("missing.ztb") << fileFailed;
        QTest::newRow("empty path") << "" << fileFailed;
        QTest::newRow("folder") << dir.path() << fileNotRegular;
#ifdef Q_OS_UNIX
        // Opened, these would read: the pipe what waits in it, the device zeros.
        QTest::newRow("pipe") << pipePath() << fileNotRegular;
        QTest::newRow("device") << "/dev/zero" << fileNotRegular;
#endif
    }
    void unreadableFileFailsAndKeepsBuffer()
    {
        QFETCH(QString, name);
        QFETCH(int, result);
        Bytes loaded(4, '\x33');
        QCOMPARE(configfile::load(name, bytesOf(loaded)), result);
        QCOMPARE(loaded, Bytes(4, '\x33'));
    }

    // Saving never replaces a folder, device or pipe with a file, nor makes folders.
    void saveRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("result");
        QTest::newRow("folder") << dir.path() << fileNotRegular;
#ifdef Q_OS_UNIX
        QTest::newRow("pipe") << pipePath() << fileNotRegular;
#endif
        QTest::newRow("missing folder") << path("no/such/x.ztb") << fileFailed;
    }
    void saveRefused()
    {
        QFETCH(QString, name);
        QFETCH(int, result);
        const bool existed = QFileInfo::exists(name);
        QCOMPARE(configfile::save(name, bytesOf(Bytes("\x01"))), result);
        QCOMPARE(QFileInfo(name).isFile(), false);
        QCOMPARE(QFileInfo::exists(name), existed);
    }

    // --- positioned access ---

    void seekPositions_data()
    {
        QTest::addColumn<int>("first");  // position of the first read (2 bytes)
        QTest::addColumn<int>("second"); // position of the second read (2 bytes)
        QTest::addColumn<Bytes>("read");
        QTest::newRow("1-based") << 1 << 5 << Bytes("ABEF");
        QTest::newRow("0 continues") << 3 << 0 << Bytes("CDEF");
        QTest::newRow("-1 is the end") << 2 << -1 << Bytes("BC");
        QTest::newRow("other negative keeps") << 7 << -5 << Bytes("GH");
    }
    void seekPositions()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(Bytes, read);
        const QString name = path("seek.bin");
        writeFile(name, Bytes("ABCDEFGH"));
        FileHandle handle = invalidHandle;
        QVERIFY(FileOpen(name, handle, Disposition::OpenExisting, false));
        Bytes a(2, '\0'), b(2, '\0');
        QCOMPARE(FileRead(handle, first, bytesOf(a)), 2);
        const auto got = FileRead(handle, second, bytesOf(b));
        QVERIFY(FileClose(handle));
        QCOMPARE(a + b.left(got), read);
    }

    // --- stored COM port ---

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
        QTest::newRow("text") << Bytes("Com=abc") << true << "abc" << 0;
        QTest::newRow("number then text") << Bytes("Com=12abc") << true << "12abc" << 12;
        QTest::newRow("half to even") << Bytes("Com=6.5") << true << "6.5" << 6;
        QTest::newRow("empty") << Bytes("Com=") << true << "" << 0;
        QTest::newRow("trailing zero byte") << Bytes("Com=\"15\\0\"") << true << "15" << 15;
        QTest::newRow("missing") << Bytes() << false << "" << 0;
    }
    void storedComIndex()
    {
        QFETCH(Bytes, iniValue);
        QFETCH(bool, readOk);
        QFETCH(QString, text);
        QFETCH(int, index);
        QVERIFY(QDir().mkpath(config.filePath("Corvant")));
        writeFile(iniPath(config),
                  "[SoftWare]\n" + iniValue.replace("Com=", "Corvant\\kWare\\Com=") + "\n");
        // The store caches files by size and time; each case's file must look new.
        static int age = 0;
        QFile ini(iniPath(config));
        QVERIFY(ini.open(QIODevice::ReadWrite));
        QVERIFY(ini.setFileTime(QDateTime::currentDateTime().addSecs(++age),
                                QFileDevice::FileModificationTime));
        ini.close();
        QString value = "stale";
        QCOMPARE(Reg::RegGetString(Reg::RootKey::LocalMachine, settingsstore::programKeyPath, "Com",
                                   value),
                 readOk);
        QCOMPARE(value, text);
        QCOMPARE(comport::readStoredIndex(), index);
    }

    void comIndexIsStoredAsText_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("stored");
        QTest::newRow("port 1") << 0 << "0";
        QTest::newRow("port 16") << 15 << "15";
        QTest::newRow("none selected") << -1 << "-1";
    }
    void comIndexIsStoredAsText()
    {
        QFETCH(int, index);
        QFETCH(QString, stored);
        QFile::remove(iniPath(config));
        QVERIFY(comport::writeStoredIndex(index));
        QSettings raw(iniPath(config), QSettings::IniFormat);
        QCOMPARE(raw.value("SoftWare/Corvant/kWare/Com").toString(), stored);
        QCOMPARE(comport::readStoredIndex(), index < 0 ? 0 : index);
    }
};

QTEST_GUILESS_MAIN(TestToolbar)
#include "tst_toolbar.moc"
