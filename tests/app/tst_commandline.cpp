// The program's command line, and the simulated device it can put behind the
// COM ports.
#include "commandline.h"
#include "frmtq540_2.h"
#include "linkclock.h"
#include "linktrace.h"
#include "m.h"
#include "mcomm.h"
#include "msgbox.h"
#include "startup.h"
#include "transferdriver.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(mConfig.isValid());
        qputenv("XDG_CONFIG_HOME", mConfig.path().toLocal8Bit());
    }

    void cleanup()
    {
        mComm::setPortFactory({});
        linktrace::install(nullptr);
    }

    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("simulate");
        QTest::addColumn<QString>("traceFile");
        QTest::newRow("none") << QStringList{"tq540config"} << false << QString();
        QTest::newRow("simulate") << QStringList{"tq540config", "--simulate"} << true << QString();
        QTest::newRow("trace") << QStringList{"tq540config", "--trace", "-"} << false << "-";
    }

    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, simulate);
        QFETCH(QString, traceFile);
        const StartOptions options = parseCommandLine(arguments);
        QCOMPARE(options.simulate, simulate);
        QCOMPARE(options.traceFile, traceFile);
    }

    // Start-up sends the link's frames to the trace file, or says why it cannot.
    void traceFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("written") << mConfig.filePath(QStringLiteral("window.trace")) << QString();
        QTest::newRow("cannot be written")
            << "/nonexistent/window.trace"
            << "Cannot write the trace to /nonexistent/window.trace: ";
    }
    void traceFile()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        QString shown;
        msgbox::ScopedPresenter boxes(
            [&shown](QWidget *, const QString &text, msgbox::Icon) { shown = text; });
        const auto window = startUp(QStringLiteral(TQ_BIN_DIR), StartOptions{true, file});
        QVERIFY2(shown.startsWith(message) && shown.isEmpty() == message.isEmpty(),
                 qPrintable(shown));
        linkclock::ManualClock clock;
        linkclock::ScopedClock scoped(&clock);
        m::tLink link;
        link.Port = 1;
        link.TargetID = 512 + 1;
        TransferObserver unseen;
        QCOMPARE(TransferDriver(link, {}, unseen).run(TransferKind::Test, 0, 0), m::LINK_OK);
        if (message.isEmpty()) {
            QFile trace(file);
            QVERIFY(trace.open(QIODevice::ReadOnly));
            const QList<QByteArray> lines = trace.readAll().split('\n');
            QCOMPARE(lines.size(), 4); // the header, the request, the reply, the last newline
            QVERIFY(lines[1].contains(" tx  9600 sent "));
            QVERIFY(lines[2].contains(" rx  9600 reply "));
        }
    }

    // Help and version are answered before the GUI starts: a window system
    // that cannot be reached does not stop them.
    void helpAndVersionWithoutDisplay_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("printed");
        QTest::newRow("--help") << "--help"
                                << "--trace";
        QTest::newRow("-h") << "-h"
                            << "--version";
        QTest::newRow("--version") << "--version"
                                   << "tq540config 1.0.20";
        QTest::newRow("-v") << "-v"
                            << "1.0.20";
    }

    void helpAndVersionWithoutDisplay()
    {
        QFETCH(QString, option);
        QFETCH(QString, printed);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("QT_QPA_PLATFORM", "xcb");
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(TQ_BIN_DIR "/tq540config"), {option});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QString output = QString::fromLocal8Bit(program.readAllStandardOutput());
        QVERIFY2(output.contains(printed), qPrintable(output));
    }

    void unknownOptionIsRefused()
    {
        QProcess program;
        program.start(QStringLiteral(TQ_BIN_DIR "/tq540config"), {"--no-such-option"});
        QVERIFY(program.waitForFinished(30000));
        QVERIFY(program.exitCode() != 0);
        QVERIFY(program.readAllStandardError().contains("no-such-option"));
    }

    // A test on COM7 finds the simulated device, and the window says that it
    // is simulating.
    void simulateAnswersOnEveryPort()
    {
        const auto window = startUp(QStringLiteral(TQ_BIN_DIR), StartOptions{true});
        QVERIFY(window->windowTitle().endsWith(frmTQ540_2::simulatingSuffix));

        linkclock::ManualClock clock;
        linkclock::ScopedClock scoped(&clock);
        for (std::int16_t port : {1, 7, 16}) {
            m::tLink link;
            link.Port = port;
            link.TargetID = 512 + 1; // device ID 1 of a TQ540-2
            TransferObserver unseen;
            QCOMPARE(TransferDriver(link, {}, unseen).run(TransferKind::Test, 0, 0), m::LINK_OK);
            QCOMPARE(link.SpeedFound, m::LINK_TRUE);
            QCOMPARE(link.SerialNo & 0x7FFFFFFF, 1000001); // the simulated device's default
        }
    }

    void withoutSimulationTitleIsPlain()
    {
        const auto window = startUp(QStringLiteral(TQ_BIN_DIR));
        QCOMPARE(window->windowTitle(), QStringLiteral("Device Configure [TQ540-2]"));
    }

private:
    QTemporaryDir mConfig;
    msgbox::ScopedPresenter mBoxes{[](QWidget *, const QString &, msgbox::Icon) {}};
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
