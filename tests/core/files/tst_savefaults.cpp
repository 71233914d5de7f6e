// Saving where the folder or the file is locked or the disk is full: an
// existing file in a folder that takes no new files is rewritten in place;
// where the file cannot be written the old file stays as it was. (The
// toolbar's message 1208 for a failed save is the toolbar's test.)

#include "apifilefunction.h"
#include "configfile.h"
#include "testfiles.h"
#include "unprivileged.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// For the lifetime of a scope, the files the process writes hold at most
// `diskTakes` bytes (0: no limit), a full disk as the writer sees it, and file
// permissions bind it as they bind a user (Unprivileged).
class Constrained
{
public:
    explicit Constrained(rlim_t diskTakes)
    {
        ::getrlimit(RLIMIT_FSIZE, &previous);
        const rlimit limited{diskTakes ? diskTakes : previous.rlim_cur, previous.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~Constrained() { ::setrlimit(RLIMIT_FSIZE, &previous); }

private:
    rlimit previous{};
    Unprivileged user;
};

constexpr QFile::Permissions readOnly =
    QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther | QFile::ReadUser;
constexpr QFile::Permissions readWrite =
    readOnly | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther | QFile::WriteUser;
constexpr QFile::Permissions lockedFolder =
    readOnly | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther | QFile::ExeUser;
constexpr QFile::Permissions openFolder = lockedFolder | readWrite;

} // namespace

class TestSaveFaults : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // Open to the unprivileged user, for the cases' own folders.
        QVERIFY(QFile::setPermissions(dir.path(), openFolder));
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails with EFBIG instead
    }

    // Over an existing file, which loads whatever its permissions: where
    // nothing can be made beside it, a file that may be written is rewritten
    // in place and keeps its permissions; a save that fails leaves the old
    // content, and nothing else, behind, and the system's reason.
    void saveInHardPlaces_data()
    {
        QTest::addColumn<QString>("file");  // its permissions: "rw" or "r"
        QTest::addColumn<bool>("locked");   // the folder takes no new files
        QTest::addColumn<int>("saved");     // bytes the new file has
        QTest::addColumn<int>("diskTakes"); // 0: as much as needed
        QTest::addColumn<bool>("replaced");
        QTest::addColumn<QString>("reason"); // of a failed save
        // clang-format off
        QTest::newRow("locked folder, shorter file") << "rw" << true  << 3   << 0  << true << "";
        QTest::newRow("locked folder, longer file")  << "rw" << true  << 100 << 0  << true << "";
        QTest::newRow("locked folder, disk full")    << "rw" << true  << 100 << 27 << false << "File too large";
        QTest::newRow("read-only file")              << "r"  << false << 100 << 0  << false << "Permission denied";
        QTest::newRow("read-only file and folder")   << "r"  << true  << 100 << 0  << false << "Permission denied";
        QTest::newRow("disk full")                   << "rw" << false << 100 << 27 << false << "File too large";
        // clang-format on
    }
    void saveInHardPlaces()
    {
        QFETCH(QString, file);
        QFETCH(bool, locked);
        QFETCH(int, saved);
        QFETCH(int, diskTakes);
        QFETCH(bool, replaced);
        const QByteArray old(17, 'A');
        const QString folder = dir.filePath(QTest::currentDataTag());
        const QString target = folder + QStringLiteral("/kept.ztb");
        QVERIFY(QDir().mkpath(folder) && QFile::setPermissions(folder, openFolder));
        writeFile(target, old);
        const QFile::Permissions permissions = file == u"rw" ? readWrite : readOnly;
        QVERIFY(QFile::setPermissions(target, permissions));
        if (locked)
            QVERIFY(QFile::setPermissions(folder, lockedFolder));
        std::int32_t loaded = 0, got = 0;
        QString reason;
        {
            Constrained user{rlim_t(diskTakes)};
            if (::geteuid() == 0)
                QSKIP("permissions cannot be made to bind this process");
            std::vector<std::uint8_t> buffer(32);
            loaded = configfile::load(target, buffer);
            got = configfile::save(target, std::vector<std::uint8_t>(saved, 0x42));
            reason = got < 0 ? API_FileFunction::LastErrorText() : QString();
        }
        QVERIFY(QFile::setPermissions(folder, openFolder));
        QCOMPARE(loaded, 17);
        QCOMPARE(got, replaced ? saved : int(API_FileFunction::fileFailed));
        QTEST(reason, "reason");
        QCOMPARE(readFile(target), replaced ? QByteArray(saved, 0x42) : old);
        // The "user" bits say what this process may do, and it is root again.
        const QFile::Permissions userBits = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
        QCOMPARE(QFile::permissions(target) & ~userBits, permissions & ~userBits);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.ztb"});
    }
};

QTEST_GUILESS_MAIN(TestSaveFaults)
#include "tst_savefaults.moc"
