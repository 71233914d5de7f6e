#include "apifilefunction.h"
#include "configfile.h"
#include "testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace API_FileFunction;
using Bytes = QByteArray;

namespace {

std::span<std::uint8_t> bytesOf(Bytes &bytes)
{
    return {reinterpret_cast<std::uint8_t *>(bytes.data()), static_cast<std::size_t>(bytes.size())};
}

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    int pipeWriter = -1;

    QString path(const QString &name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
#ifdef Q_OS_UNIX
        // A pipe with a writer and a full buffer of bytes waiting: a reader
        // that opened it would get them at once instead of blocking the test.
        const QByteArray pipe = QFile::encodeName(path("pipe.ztb"));
        QCOMPARE(::mkfifo(pipe.constData(), 0600), 0);
        pipeWriter = ::open(pipe.constData(), O_RDWR | O_NONBLOCK);
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

    // Over a longer old file, which goes entirely.
    void saveDropsTrailingZeros_data()
    {
        QTest::addColumn<Bytes>("buffer");
        QTest::addColumn<Bytes>("file");
        // clang-format off
        QTest::newRow("all zero")          << Bytes(65536, '\0') << Bytes(1, '\0');
        QTest::newRow("last byte set")     << bytesAt(65536, {{65535, '\x01'}}) << bytesAt(65536, {{65535, '\x01'}});
        QTest::newRow("positions 1 and 3") << bytesAt(64, {{0, '\x11'}, {2, '\x33'}}) << Bytes("\x11\x00\x33", 3);
        // clang-format on
    }
    void saveDropsTrailingZeros()
    {
        QFETCH(Bytes, buffer);
        QFETCH(Bytes, file);
        writeFile(path("saved.ztb"), Bytes(70000, '\x44'));
        QCOMPARE(configfile::save(path("saved.ztb"), bytesOf(buffer)), file.size());
        QCOMPARE(readFile(path("saved.ztb")), file);
    }

    void loadReadsFilePrefix_data()
    {
        QTest::addColumn<Bytes>("file");
        QTest::addColumn<int>("count");
        QTest::addColumn<Bytes>("buffer"); // after loading over a buffer of 0xEE bytes
        // clang-format off
        QTest::newRow("shorter") << Bytes("\x01\x02\x03") << 3 << bytesAt(8, {{0, 1}, {1, 2}, {2, 3}});
        // clang-format on
        QTest::newRow("longer") << Bytes("ABCDEFGHIJKLMNOP") << 8 << Bytes("ABCDEFGH");
        QTest::newRow("empty") << Bytes() << 0 << Bytes(8, '\0');
    }
    void loadReadsFilePrefix()
    {
        QFETCH(Bytes, file);
        writeFile(path("load.ztb"), file);
        Bytes loaded(8, '\xEE');
        QTEST(configfile::load(path("load.ztb"), bytesOf(loaded)), "count");
        QTEST(loaded, "buffer");
    }

    // Nothing but a regular file is read or replaced, and no folder is made;
    // a failed load keeps the buffer. The reason is the last failure's.
    void refusedPaths_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("load");
        QTest::addColumn<int>("save"); // 0: not tried
        QTest::addColumn<QString>("reason");
        const QString notRegular = "not a regular file (a folder, a device or a pipe)";
        const QString missing = "No such file or directory";
        // clang-format off
        QTest::newRow("missing") << path("missing.ztb") << fileFailed << 0 << missing;
        QTest::newRow("empty path") << "" << fileFailed << 0 << "no file name";
        QTest::newRow("folder") << dir.path() << fileNotRegular << fileNotRegular << notRegular;
        QTest::newRow("missing folder") << path("no/such/x.ztb") << fileFailed << fileFailed << missing;
#ifdef Q_OS_UNIX
        // Opened, these would read: the pipe what waits in it, the device zeros.
        QTest::newRow("pipe") << path("pipe.ztb") << fileNotRegular << fileNotRegular << notRegular;
        QTest::newRow("device") << "/dev/zero" << fileNotRegular << 0 << notRegular;
#endif
        // clang-format on
    }
    void refusedPaths()
    {
        QFETCH(QString, name);
        QFETCH(int, save);
        Bytes buffer(4, '\x33');
        QTEST(configfile::load(name, bytesOf(buffer)), "load");
        QCOMPARE(buffer, Bytes(4, '\x33'));
        const bool existed = QFileInfo::exists(name);
        if (save)
            QCOMPARE(configfile::save(name, bytesOf(buffer)), save);
        QTEST(API_FileFunction::LastErrorText(), "reason");
        QVERIFY(!QFileInfo(name).isFile());
        QCOMPARE(QFileInfo::exists(name), existed);
    }

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
        writeFile(path("seek.bin"), Bytes("ABCDEFGH"));
        FileHandle handle = invalidHandle;
        QVERIFY(FileOpen(path("seek.bin"), handle, Disposition::OpenExisting, false));
        Bytes a(2, '\0'), b(2, '\0');
        QCOMPARE(FileRead(handle, first, bytesOf(a)), 2);
        const auto got = FileRead(handle, second, bytesOf(b));
        QVERIFY(FileClose(handle));
        QTEST(a + b.left(got), "read");
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
