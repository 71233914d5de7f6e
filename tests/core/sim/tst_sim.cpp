#include "ctlprocess.h"
#include "mcomm.h"
#include "simdevice.h"
#include "transferdriver.h"

#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

using namespace ctltest;

namespace {

// A frame in hex. The requests here are worked out by hand as in the
// protocol's tests: flags 0E (target, sequence, option), the target, the
// sequence number, option 10, status 0, the command, their 16-bit sum, in a
// 7-bit body between STX and ETX.
std::vector<std::uint8_t> frame(const char *hex)
{
    const QByteArray bytes = QByteArray::fromHex(hex);
    return {bytes.begin(), bytes.end()};
}

} // namespace

class TestSimulatedDevice : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    }

    void answersOnlyRequestsAddressedToIt_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<bool>("answered");
        // Identify (01), sequence number 0x0A0B0C0D, to:
        // clang-format off
        QTest::newRow("device ID")                 << QByteArray("02 87 80 60 20 80 80 9A 8C 85 C2 41 A0 80 85 98 80 03") << true;  // 515
        QTest::newRow("serial number")             << QByteArray("02 87 82 20 30 84 80 9A 8C 85 C2 41 A0 80 87 A6 80 03") << true;  // 777 | bit 31
        QTest::newRow("bare serial number")        << QByteArray("02 87 82 20 30 80 80 9A 8C 85 C2 41 A0 80 85 A6 80 03") << false; // 777
        QTest::newRow("other ID")                  << QByteArray("02 87 81 80 20 80 80 9A 8C 85 C2 41 A0 80 85 9A 80 03") << false; // 516
        // 515 with a sequence-number bit flipped: only the checksum shows it.
        QTest::newRow("a bit flipped on the line") << QByteArray("02 87 80 60 20 80 80 9A 8D 85 C2 41 A0 80 85 98 80 03") << false;
        // clang-format on
    }
    void answersOnlyRequestsAddressedToIt()
    {
        QFETCH(QByteArray, request);
        QFETCH(bool, answered);
        sim::DeviceConfig config;
        config.deviceId = 3;
        config.serialNo = 777;
        config.eepromKb = 2;
        sim::Device device(config);
        const auto replies = device.receive(frame(request));
        QCOMPARE(replies.size(), std::size_t(answered ? 1 : 0));
        if (!answered)
            return;
        const std::vector<std::uint8_t> &reply = replies[0];
        QVERIFY(reply.size() > 2 && reply.front() == m::STX && reply.back() == m::ETX);
        const auto packet = m::Decode7(std::span(reply).subspan(1, reply.size() - 2));
        QVERIFY(packet.size() >= 12 + 18 + 2);
        // Flag byte 0x0D (source, sequence, option), source 515, the sequence
        // and option echoed, status 0, command 0x81; the data: serial number
        // 777 with bit 31 set, device ID 3, firmware 0.1.2, 2 kilobytes.
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(packet.data()), 22),
                 QByteArray("\x0D\x03\x02\x00\x00\x0D\x0C\x0B\x0A\x0A\x00\x81"
                            "\x09\x03\x00\x80\x03\x00\x01\x02\x02\x00",
                            22));
    }

    // After a reset the device runs at the speed its EEPROM gives.
    void speedAfterReset_data()
    {
        QTest::addColumn<int>("code"); // at address 32; -1: as from the factory
        QTest::addColumn<int>("speed");
        QTest::newRow("factory") << -1 << 9600;
        QTest::newRow("1200") << 0 << 1200;
        QTest::newRow("19200") << 4 << 19200;
        QTest::newRow("code outside the list") << 5 << 9600;
    }
    void speedAfterReset()
    {
        QFETCH(int, code);
        QFETCH(int, speed);
        sim::DeviceConfig config;
        config.baud = 4800; // until the reset
        sim::Device device(config);
        if (code >= 0)
            device.eeprom()[32] = std::uint8_t(code);
        // Reset (04) to device ID 1, sequence number 1.
        const auto reset = frame("02 87 80 20 20 80 80 82 80 80 80 81 A0 80 90 40 80 03");
        QVERIFY(device.listensAt(4800));
        QCOMPARE(device.receive(reset).size(), std::size_t(1));
        QVERIFY(device.listensAt(speed));
        QVERIFY(!device.listensAt(4800));
    }

    // The link path is taken only from a simulator that was killed.
    void linkPathTakenOver_data()
    {
        QTest::addColumn<QString>("existing"); // what the path links to
        QTest::addColumn<bool>("taken");
        QTest::newRow("terminal gone") << "gone" << true;
        QTest::newRow("existing file") << "file" << false;
        QTest::newRow("running simulator") << "simulator" << false;
    }
    void linkPathTakenOver()
    {
        QFETCH(QString, existing);
        QFETCH(bool, taken);
        const QString linkPath = dir.filePath(QStringLiteral("link-") + existing);
        std::optional<Simulator> holder;
        if (existing == u"simulator") {
            holder.emplace(linkPath, QStringList{});
            QVERIFY(holder->started);
        } else {
            if (existing == u"file")
                writeFile(dir.filePath(existing), "mine");
            QVERIFY(QFile::link(dir.filePath(existing), linkPath));
        }
        const QString before = QFileInfo(linkPath).symLinkTarget();
        Simulator second(linkPath, {});
        QCOMPARE(second.started, taken);
        if (taken) {
            QVERIFY(QFileInfo(linkPath).symLinkTarget() != before);
            QVERIFY(second.stop());
            QVERIFY(!QFileInfo(linkPath).isSymLink());
            return;
        }
        second.process.waitForFinished(10000);
        QCOMPARE(second.process.exitCode(), 1);
        QVERIFY(QString::fromLocal8Bit(second.process.readAllStandardError()).contains(before));
        QCOMPARE(QFileInfo(linkPath).symLinkTarget(), before);
        if (holder) // still the first one's, and removed by it
            QVERIFY(holder->stop());
        QCOMPARE(QFileInfo(linkPath).isSymLink(), !holder);
    }

    void servesTheToolOnAPseudoTerminal()
    {
        const QString linkPath = dir.filePath(QStringLiteral("tq540"));
        const QString in = dir.filePath(QStringLiteral("start.ztb"));
        const QString out = dir.filePath(QStringLiteral("saved.ztb"));
        // A fresh device holds 30 at address 34, past this file's end: the file
        // replaces all of it.
        const QByteArray start = bytesAt(34, {{32, 4}});
        writeFile(in, start);
        Simulator sim(linkPath, {"--id", "9", "--image", in, "--save", out});
        QVERIFY(sim.started && QFileInfo(linkPath).isSymLink());
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Corvant"),
                  QStringLiteral("kWare"))
            .setValue(QStringLiteral("SoftWare/Corvant/kWare/Ports/COM2"), linkPath);

        // It serves the tool's way in, COM2 mapped to the link. (What it says of
        // itself, at its own speed only, tst_ctl shows.)
        m::tLink link;
        link.Port = 2;
        link.TargetID = 512 + 9;
        std::vector<std::uint8_t> image(65537);
        TransferObserver unseen;
        QCOMPARE(TransferDriver(link, image, unseen).run(TransferKind::Download, 33, 40),
                 m::LINK_DOWNLOAD_DONE);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(&image[33]), 8), bytesAt(8, {{0, 4}}));
        // The terminal has no RTS line: noted, and the exchange goes on.
        QCOMPARE(mComm::CommLastError.sErrContext,
                 QStringLiteral("CommSetLine (EscapeCommFunction)"));

        QVERIFY(sim.stop());
        QCOMPARE(readFile(out), start.left(33)); // written back, without trailing zeros
    }
};

QTEST_GUILESS_MAIN(TestSimulatedDevice)
#include "tst_sim.moc"
