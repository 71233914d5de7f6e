// Saving through the toolbar where the file cannot be written: the old file
// stays as it was, the toolbar shows message 1208 and keeps its file name.

#include "../testfiles.h"
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

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
        QVERIFY(gResDll.hInstance() != 0);
    }

    void saveFails_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("read-only file") << "file";
        QTest::newRow("read-only folder") << "folder";
        QTest::newRow("read-only file system") << "proc";
        QTest::newRow("disk full") << "full";
    }
    void saveFails()
    {
        QFETCH(QString, where);
        // Permissions do not bind root; a read-only file system does.
        if ((where == u"file" || where == u"folder") && ::geteuid() == 0)
            QSKIP("root writes into read-only files and folders");
        messages.clear();
        // Each case in a folder of its own, to see what is left behind.
        const QString folder = dir.filePath(where);
        QVERIFY(QDir().mkpath(folder));
        QString target = folder + QStringLiteral("/kept.ztb");
        QByteArray old("old configuration");
        if (where == u"proc") {
            target = QStringLiteral("/proc/version");
            old = readFile(target);
        } else {
            writeFile(target, old);
        }
        const bool locked = where == u"file" || where == u"folder";
        const QString lockedItem = where == u"folder" ? folder : target;
        if (locked)
            QFile::setPermissions(lockedItem, QFile::ReadOwner | QFile::ExeOwner);

        UserControl1 bar;
        std::vector<std::uint8_t> image(256, 0);
        bar.SetBuf(image);
        // The host encodes 100 bytes: more than the full disk takes.
        QObject::connect(&bar, &UserControl1::DataRestored,
                         [&](bool &) { std::fill_n(image.begin(), 100, std::uint8_t(0x42)); });
        bar.setFilename(QStringLiteral("before.ztb"));
        dialogAnswer = target;
        {
            std::optional<FileSizeLimit> fullDisk;
            if (where == u"full")
                fullDisk.emplace(old.size() + 10);
            QTest::mouseClick(bar.findChild<QPushButton *>(QStringLiteral("cmdSaveAs")),
                              Qt::LeftButton);
        }
        if (locked)
            QFile::setPermissions(lockedItem,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(messages, QStringList{gResDll.GetStr(1208)});
        QCOMPARE(readFile(target), old);
        QCOMPARE(bar.filename(), QStringLiteral("before.ztb"));
        // Nothing is left behind beside it.
        if (where != u"proc")
            QCOMPARE(QFileInfo(target).dir().entryList(QDir::Files | QDir::Hidden),
                     QStringList{QFileInfo(target).fileName()});
    }
};

QTEST_MAIN(TestSaveFaults)
#include "tst_savefaults.moc"
