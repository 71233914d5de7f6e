// Start-up: the command line, help and version without a display, the
// language library (a missing one is reported once), the simulated device
// and the link's trace.
#include "../testfiles.h"
#include "commandline.h"
#include "linkclock.h"
#include "linktrace.h"
#include "m.h"
#include "mcomm.h"
#include "msgbox.h"
#include "resdll.h"
#include "startup.h"
#include "transferdriver.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The window's toolbar stores its COM port; keep that out of the user's settings.
        qputenv("XDG_CONFIG_HOME", mConfig.path().toLocal8Bit());
    }

    void init() { mMessages.clear(); }

    void cleanup()
    {
        mComm::setPortFactory({});
        linktrace::install(nullptr);
    }

    // Answered before the GUI starts: a window system that cannot be reached
    // does not stop them.
    void helpAndVersionWithoutDisplay()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        environment.insert("QT_QPA_PLATFORM", "xcb");
        for (const auto &[option, printed] : {std::pair{"--help", "--trace <file>"},
                                              std::pair{"--version", "tq540config 1.0.20"}}) {
            QProcess program;
            program.setProcessEnvironment(environment);
            program.start(QStringLiteral(TQ_BIN_DIR "/tq540config"), {option});
            QVERIFY(program.waitForFinished(30000));
            QVERIFY(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
            const QString output = QString::fromLocal8Bit(program.readAllStandardOutput());
            QVERIFY2(output.contains(printed), qPrintable(output));
        }
    }

    // From the command line: the language library beside the program (without
    // it the program warns once and runs with empty texts; text 2000 is empty,
    // so the caption is the product code alone), the simulated device on every
    // COM port, said in the title, and the link's frames in the trace file, or
    // a message why they cannot go there.
    void startUp_data()
    {
        QTest::addColumn<bool>("library");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        const QString plain = QStringLiteral("Device Configure [TQ540-2]");
        const QString simulated = plain + " - simulated device";
        const QString trace = mConfig.filePath("window.trace");
        const QString refused = "Cannot write the trace to /nonexistent/window.trace: ";
        const QString warning = QStringLiteral("System error, please reinstall!");
        QTest::newRow("library") << true << QStringList() << plain << QString();
        QTest::newRow("no library")
            << false << QStringList() << QStringLiteral("[TQ540-2]") << warning;
        QTest::newRow("traced") << true << QStringList{"--simulate", "--trace", trace} << simulated
                                << QString();
        QTest::newRow("trace refused")
            << true << QStringList{"--simulate", "--trace", "/nonexistent/window.trace"}
            << simulated << refused;
    }

    void startUp()
    {
        QFETCH(bool, library);
        QFETCH(QStringList, options);
        QFETCH(QString, title);
        QFETCH(QString, message);
        const StartOptions parsed = parseCommandLine(QStringList{"tq540config"} + options);
        QCOMPARE(parsed.traceFile, options.value(2));
        const auto window =
            ::startUp(QString::fromLatin1(library ? TQ_BIN_DIR : "/nonexistent"), parsed);
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), title);
        QCOMPARE(gResDll.GetStr(1100), library ? QStringLiteral("Open") : QString());
        QVERIFY2(message.isEmpty() ? mMessages.isEmpty()
                                   : mMessages.size() == 1 && mMessages[0].startsWith(message),
                 qPrintable(mMessages.join(u'\n')));
        if (!parsed.simulate)
            return;
        linkclock::ManualClock clock;
        linkclock::ScopedClock scoped(&clock);
        m::tLink link;
        link.Port = 7;
        link.TargetID = 512 + 1; // device ID 1 of a TQ540-2
        TransferObserver unseen;
        QCOMPARE(TransferDriver(link, {}, unseen).run(TransferKind::Test, 0, 0), m::LINK_OK);
        QCOMPARE(link.SerialNo & 0x7FFFFFFF, 1000001); // the simulated device's default
        QCOMPARE(readFile(parsed.traceFile).contains(" tx  9600 sent "),
                 !parsed.traceFile.isEmpty() && message.isEmpty());
    }

private:
    QTemporaryDir mConfig;
    QStringList mMessages;
    msgbox::ScopedPresenter mBoxes{
        [this](QWidget *, const QString &text, msgbox::Icon) { mMessages << text; }};
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
