// Why a port would not open, in the words every front end shows: from the
// driver's error and the facts of the device file (a table that stands for
// any system, Windows too), and on real files: a missing path, a regular file,
// a pseudo-terminal another holder has open, and one this user may not open
// (tried as the user nobody).

#include "mcomm.h"
#include "openfailure.h"

#include <QFile>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#ifndef Q_OS_WIN
#include "ptyserver.h"
#include "unprivileged.h"

#include <grp.h>
#include <sys/stat.h>
#endif

using namespace mComm;

namespace {

// "-": nothing known (a COM port on Windows); "none": no such file; else the
// file's type ("chr", "reg"), then "rw" when this process may use it, or the
// group it could join.
DeviceFile facts(const QString &text)
{
    const QStringList words = text.split(u' ');
    if (text == u"-")
        return {};
    DeviceFile file{true, text != u"none", words[0] == u"chr", words.value(1) == u"rw", {}};
    if (!file.usable)
        file.joinGroup = words.value(1);
    return file;
}

} // namespace

class TestOpenFailure : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void reasons_data()
    {
        QTest::addColumn<int>("driverError"); // QSerialPort::SerialPortError
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");
        const QString noPermission = "no permission";
        // clang-format off
        QTest::newRow("no such path")              << int(QSerialPort::DeviceNotFoundError) << "none" << "no such device";
        QTest::newRow("no such COM port")          << int(QSerialPort::DeviceNotFoundError) << "-" << "no such device";
        QTest::newRow("gone before it was looked at") << int(QSerialPort::ResourceError) << "none" << "no such device";
        // The driver's lock file or an exclusive terminal: we could open it otherwise.
        QTest::newRow("held by another program")   << int(QSerialPort::PermissionError) << "chr rw" << "in use by another program";
        QTest::newRow("access denied on Windows")  << int(QSerialPort::PermissionError) << "-" << "in use by another program";
        QTest::newRow("not in the device's group") << int(QSerialPort::PermissionError) << "chr dialout" << "no permission (add yourself to the dialout group, then log in again)";
        QTest::newRow("a group would not help")    << int(QSerialPort::PermissionError) << "chr" << noPermission;
        QTest::newRow("regular file")              << int(QSerialPort::UnsupportedOperationError) << "reg rw" << "not a serial port";
        QTest::newRow("no terminal settings")      << int(QSerialPort::UnsupportedOperationError) << "chr rw" << "not a serial port";
        QTest::newRow("anything else")             << int(QSerialPort::ResourceError) << "chr rw" << "Input/output error";
        // clang-format on
    }
    void reasons()
    {
        QFETCH(int, driverError);
        QFETCH(QString, file);
        const DeviceFile device = facts(file);
        const OpenProblem problem = classifyOpenFailure(COMM_DEVICE_ERROR + driverError, device);
        QTEST(openFailureText(problem, device.joinGroup, "Input/output error"), "reason");
    }

#ifndef Q_OS_WIN
    // CommOpen of each, then the reason for it. "$PTY" is a pseudo-terminal,
    // "held" open by the test, or given an owner and mode and tried as nobody.
    void onRealFiles_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("reason");
        // clang-format off
        QTest::newRow("missing")           << "/nonexistent/tty" << "" << "no such device";
        QTest::newRow("regular file")      << "$TMP/file" << "" << "not a serial port";
        QTest::newRow("held")              << "$PTY" << "held" << "in use by another program";
        QTest::newRow("group dialout")     << "$PTY" << "dialout 0660" << "no permission (add yourself to the dialout group, then log in again)";
        QTest::newRow("not for the group") << "$PTY" << "dialout 0600" << "no permission";
        QTest::newRow("root's group")      << "$PTY" << "root 0660" << "no permission";
        // clang-format on
    }
    void onRealFiles()
    {
        QFETCH(QString, device);
        QFETCH(QString, setup);
        sim::Bus simulated;
        sim::PtyServer pty(simulated);
        diagnostic::Problem problem;
        QVERIFY(pty.create(dir.filePath("pty"), &problem));
        QFile(dir.filePath("file")).open(QIODevice::WriteOnly);
        const QString path =
            device == u"$PTY" ? pty.terminalPath() : QString(device).replace("$TMP", dir.path());
        const std::unique_ptr<CommDevice> holder = systemPortFactory(path);
        if (setup == u"held")
            QVERIFY(holder->open());
        const QStringList owner = setup.split(u' ');
        if (owner.size() == 2) {
            const group *entry = ::getgrnam(qPrintable(owner[0]));
            QVERIFY(entry && ::chown(qPrintable(path), 0, entry->gr_gid) == 0);
            QVERIFY(::chmod(qPrintable(path), owner[1].toUInt(nullptr, 8)) == 0);
        }
        const ScopedPortFactory system(systemPortFactory);
        QString reason;
        {
            std::optional<Unprivileged> user;
            if (owner.size() == 2 && !user.emplace().active())
                QSKIP("permissions cannot be made to bind this process");
            QCOMPARE(CommOpen(1, path, "baud=9600"), COMM_CANNOT_OPEN);
            reason = openFailureReason(path);
        }
        QTEST(reason, "reason");
    }
#endif
};

QTEST_GUILESS_MAIN(TestOpenFailure)
#include "tst_openfailure.moc"
