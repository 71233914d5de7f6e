// Saving where the folder or the file is locked or the disk is full: an
// existing file in a folder that takes no new files is rewritten in place;
// where the file cannot be written the old file stays as it was, and the
// toolbar shows message 1208 and keeps its file name.

#include "../testfiles.h"
#include "apifilefunction.h"
#include "configfile.h"
#include "filedialogs.h"
#include "msgbox.h"
#include "resdll.h"
#include "usercontrol1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The largest file the process may write, for the lifetime of a scope: a
// full disk as the writer sees it (EFBIG instead of a signal).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous);
        const rlimit limited{bytes, previous.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit previous{};
    void (*previousHandler)(int) = SIG_DFL;
};

// For the lifetime of a scope, file permissions bind the process as they
// bind a user: run as root, it takes the user and group "nobody" as its real
// and effective ones (access checks use the real ones), keeping root as the
// saved ones to return to. The tests' modes are the same for owner, group
// and others, so root's supplementary groups change nothing.
class Unprivileged
{
public:
    Unprivileged()
    {
        if (::geteuid() != 0)
            return;
        if (::setresgid(nobody, nobody, 0) == 0 && ::setresuid(nobody, nobody, 0) != 0)
            ::setresgid(0, 0, 0);
        dropped = ::geteuid() == nobody;
    }
    ~Unprivileged()
    {
        if (dropped && ::setresuid(0, 0, 0) == 0)
            ::setresgid(0, 0, 0);
    }
    Unprivileged(const Unprivileged &) = delete;
    Unprivileged &operator=(const Unprivileged &) = delete;

    // Whether permissions now bind the process.
    static bool bound() { return ::geteuid() != 0; }

private:
    static constexpr uid_t nobody = 65534;
    bool dropped = false;
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
    QStringList messages;
    QString dialogAnswer;
    msgbox::ScopedPresenter boxes{[this](QWidget *, const QString &text, msgbox::Icon icon) {
        messages << text + (icon == msgbox::Icon::Exclamation ? "" : " <wrong icon>");
    }};
    filedialogs::ScopedPresenter dialogs{
        [this](QFileDialog &, filedialogs::Mode) { return dialogAnswer; }};

    // A case's own folder, holding `content` as kept.ztb.
    QString folderWith(const QString &name, const QByteArray &content)
    {
        const QString folder = dir.filePath(name);
        if (!QDir().mkpath(folder) || !QFile::setPermissions(folder, openFolder))
            return {};
        const QString file = folder + QStringLiteral("/kept.ztb");
        writeFile(file, content);
        return file;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // Open to the unprivileged user, for the cases' own folders.
        QVERIFY(QFile::setPermissions(dir.path(), openFolder));
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
        QVERIFY(gResDll.hInstance() != 0);
    }

    // Where nothing can be made beside it, an existing file that may be
    // written is rewritten in place: it keeps its permissions, and a write
    // that fails puts the old content back.
    void replaceInLockedFolder_data()
    {
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<int>("saved");     // bytes the new file has
        QTest::addColumn<int>("diskTakes"); // 0: as much as needed
        QTest::addColumn<int>("result");
        QTest::newRow("shorter than the old") << QByteArray(40, 'A') << 3 << 0 << 3;
        QTest::newRow("longer than the old") << QByteArray(5, 'A') << 100 << 0 << 100;
        QTest::newRow("disk full")
            << QByteArray(17, 'A') << 100 << 27 << int(API_FileFunction::fileFailed);
    }
    void replaceInLockedFolder()
    {
        QFETCH(QByteArray, old);
        QFETCH(int, saved);
        QFETCH(int, diskTakes);
        QFETCH(int, result);
        const QString target = folderWith(QTest::currentDataTag(), old);
        QVERIFY(QFile::setPermissions(target, readWrite));
        const QString folder = QFileInfo(target).path();
        QVERIFY(QFile::setPermissions(folder, lockedFolder));
        const std::vector<std::uint8_t> image(saved, 0x42);
        std::int32_t got = 0;
        {
            Unprivileged user;
            if (!Unprivileged::bound())
                QSKIP("permissions cannot be made to bind this process");
            std::optional<FileSizeLimit> fullDisk;
            if (diskTakes > 0)
                fullDisk.emplace(diskTakes);
            got = configfile::save(target, image);
        }
        QVERIFY(QFile::setPermissions(folder, openFolder));
        QCOMPARE(got, result);
        QCOMPARE(readFile(target), result < 0 ? old : QByteArray(saved, 0x42));
        QCOMPARE(QFile::permissions(target), readWrite);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.ztb"});
    }

    // The toolbar's Save as where the file cannot be written.
    void saveFails_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("read-only file") << "file";
        QTest::newRow("read-only file in a read-only folder") << "folder";
        QTest::newRow("read-only file system") << "proc";
        QTest::newRow("disk full") << "full";
    }
    void saveFails()
    {
        QFETCH(QString, where);
        messages.clear();
        const bool locked = where == u"file" || where == u"folder";
        QString target = QStringLiteral("/proc/version");
        QByteArray old = readFile(target);
        if (where != u"proc") {
            old = "old configuration";
            target = folderWith(where, old);
        }
        const QString folder = QFileInfo(target).path();
        if (locked)
            QVERIFY(QFile::setPermissions(target, readOnly));
        if (where == u"folder")
            QVERIFY(QFile::setPermissions(folder, lockedFolder));

        UserControl1 bar;
        std::vector<std::uint8_t> image(256, 0);
        bar.SetBuf(image);
        // The host encodes 100 bytes: more than the full disk takes.
        QObject::connect(&bar, &UserControl1::DataRestored,
                         [&](bool &) { std::fill_n(image.begin(), 100, std::uint8_t(0x42)); });
        bar.setFilename(QStringLiteral("before.ztb"));
        dialogAnswer = target;
        {
            std::optional<Unprivileged> user;
            if (locked)
                user.emplace();
            if (locked && !Unprivileged::bound())
                QSKIP("permissions cannot be made to bind this process");
            std::optional<FileSizeLimit> fullDisk;
            if (where == u"full")
                fullDisk.emplace(old.size() + 10);
            QTest::mouseClick(bar.findChild<QPushButton *>(QStringLiteral("cmdSaveAs")),
                              Qt::LeftButton);
        }
        if (where == u"folder")
            QVERIFY(QFile::setPermissions(folder, openFolder));
        QCOMPARE(messages, QStringList{gResDll.GetStr(1208)});
        QCOMPARE(readFile(target), old);
        QCOMPARE(bar.filename(), QStringLiteral("before.ztb"));
        // Nothing is left behind beside it.
        if (where != u"proc")
            QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                     QStringList{QFileInfo(target).fileName()});
    }
};

QTEST_MAIN(TestSaveFaults)
#include "tst_savefaults.moc"
