#include "../cli/ctlprocess.h"
#include "mcomm.h"
#include "requestframe.h"
#include "simdevice.h"
#include "transferdriver.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

namespace {

using namespace ctltest;

// A request as the tool sends it (flag byte 0x0E, option 10), without data.
std::vector<std::uint8_t> requestFrame(std::uint8_t command, std::uint32_t target,
                                       std::uint32_t seqNo)
{
    return frameOf(PacketFields{
        .flags = 0x0E, .target = target, .seqNo = seqNo, .command = command, .data = {}});
}

std::vector<std::uint8_t> identifyFrame(std::uint32_t target, std::uint32_t seqNo)
{
    return requestFrame(0x01, target, seqNo);
}

// The reply packet of a frame the device sent.
std::vector<std::uint8_t> replyPacket(const std::vector<std::uint8_t> &frame)
{
    if (frame.size() < 2 || frame.front() != m::STX || frame.back() != m::ETX)
        return {};
    return m::Decode7(std::span(frame).subspan(1, frame.size() - 2));
}

} // namespace

class TestSimulatedDevice : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    }

    void answersOnlyRequestsAddressedToIt_data()
    {
        QTest::addColumn<quint32>("target");
        QTest::addColumn<bool>("answered");
        QTest::newRow("device ID") << quint32(512 + 3) << true;
        QTest::newRow("serial number") << quint32(777 | 0x80000000U) << true;
        QTest::newRow("bare serial number") << quint32(777) << false;
        QTest::newRow("other ID") << quint32(512 + 4) << false;
        QTest::newRow("a bit flipped on the line") << quint32(512 + 3) << false;
    }
    void answersOnlyRequestsAddressedToIt()
    {
        QFETCH(quint32, target);
        QFETCH(bool, answered);
        sim::DeviceConfig config;
        config.deviceId = 3;
        config.serialNo = 777;
        config.eepromKb = 2;
        sim::Device device(config);
        std::vector<std::uint8_t> frame = identifyFrame(target, 0x0A0B0C0D);
        if (QTest::currentDataTag() == QByteArrayView("a bit flipped on the line"))
            frame[5] ^= 0x01; // the checksum no longer holds
        const auto replies = device.receive(frame);
        QCOMPARE(replies.size(), std::size_t(answered ? 1 : 0));
        if (!answered)
            return;
        const std::vector<std::uint8_t> packet = replyPacket(replies[0]);
        // Flag byte 0x0D: source, sequence, option.
        QCOMPARE(packet.at(0), std::uint8_t(0x0D));
        QCOMPARE(packet.at(1), std::uint8_t(0x03)); // source 515, low byte
        QCOMPARE(packet.at(2), std::uint8_t(0x02));
        QCOMPARE(packet.at(5), std::uint8_t(0x0D)); // sequence, low byte first
        QCOMPARE(packet.at(8), std::uint8_t(0x0A));
        QCOMPARE(packet.at(9), std::uint8_t(10)); // option echoed
        QCOMPARE(packet.at(11), std::uint8_t(0x81));
        const std::size_t data = 12;
        QVERIFY(packet.size() - 2 - data >= 18);
        QCOMPARE(packet[data + 0], std::uint8_t(777 & 0xFF));
        QCOMPARE(packet[data + 3], std::uint8_t(0x80)); // bit 31 set
        QCOMPARE(packet[data + 4], std::uint8_t(3));
        QCOMPARE(packet[data + 8], std::uint8_t(2)); // EEPROM kilobytes at bytes 9-10
        QCOMPARE(packet[data + 9], std::uint8_t(0));
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
        QVERIFY(device.listensAt(4800));
        QCOMPARE(device.receive(requestFrame(0x04, 513, 1)).size(), std::size_t(1));
        QVERIFY(device.listensAt(speed));
        QVERIFY(!device.listensAt(4800));
    }

    void configurationFiles()
    {
        const QString in = dir.filePath(QStringLiteral("in.ztb"));
        const QString out = dir.filePath(QStringLiteral("out.ztb"));
        writeFile(in, QByteArray("\x01\x00\x02", 3));
        sim::Device device;
        QString error;
        QVERIFY(device.loadImage(in, &error));
        QCOMPARE(device.eeprom()[2], std::uint8_t(2));
        QCOMPARE(device.eeprom()[32], std::uint8_t(0)); // the file replaces everything
        device.eeprom()[10] = 0x44;
        QVERIFY(device.saveImage(out, &error));
        QCOMPARE(readFile(out), QByteArray("\x01\x00\x02\x00\x00\x00\x00\x00\x00\x00\x44", 11));
        std::fill(device.eeprom().begin(), device.eeprom().end(), 0);
        QVERIFY(device.saveImage(out, &error));
        QCOMPARE(readFile(out), QByteArray(1, '\0'));
        writeFile(in, QByteArray(1025, '\x01'));
        QVERIFY(!device.loadImage(in, &error));
        QVERIFY(error.contains(QStringLiteral("1025")));
    }

    void commandLineErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("no link") << QStringList{} << "--link";
        QTest::newRow("odd speed") << QStringList{"--link", "x", "--baud", "1234"} << "--baud";
        QTest::newRow("ID too large") << QStringList{"--link", "x", "--id", "300"} << "--id";
        QTest::newRow("not a number") << QStringList{"--link", "x", "--delay", "soon"} << "--delay";
        QTest::newRow("unknown option") << QStringList{"--link", "x", "--colour"} << "colour";
        QTest::newRow("missing image")
            << QStringList{"--link", "x", "--image", "/nonexistent/a.ztb"} << "a.ztb";
    }
    void commandLineErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QProcess process;
        process.start(simProgram, arguments);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitCode(), 2);
        QVERIFY2(QString::fromLocal8Bit(process.readAllStandardError()).contains(message),
                 qPrintable(message));
        QVERIFY(!QFileInfo::exists(QStringLiteral("x")));
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
            const QString target = dir.filePath(existing);
            if (existing == u"file")
                writeFile(target, "mine");
            QVERIFY(QFile::link(target, linkPath));
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
        QByteArray start(40, '\0');
        start[32] = 4;
        start[34] = 12;
        start[39] = 0x77;
        writeFile(in, start);

        QProcess process;
        process.start(simProgram, {"--link", linkPath, "--id", "9", "--serial", "5555", "--baud",
                                   "19200", "--image", in, "--save", out, "--verbose"});
        QVERIFY(awaitLine(process, [](const QString &line) { return line.contains(" -> "); }));
        QVERIFY(QFileInfo(linkPath).isSymLink());
        {
            QSettings store(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Corvant"),
                            QStringLiteral("kWare"));
            store.setValue(QStringLiteral("SoftWare/Corvant/kWare/Ports/COM2"), linkPath);
        }

        // At 9600 baud the device hears only noise.
        QCOMPARE(mComm::CommOpen(2, QStringLiteral("COM2"), m::modeString(9600)), 0);
        const std::vector<std::uint8_t> request = identifyFrame(512 + 9, 1);
        QCOMPARE(mComm::CommWrite(2, request), int(request.size()));
        int ignored = 0;
        QVERIFY(awaitLine(process, [&](const QString &line) {
            if (line.startsWith(QStringLiteral("ignored ")))
                ignored += line.section(u' ', 1, 1).toInt();
            return ignored >= int(request.size());
        }));
        std::vector<std::uint8_t> buffer(1025);
        QCOMPARE(mComm::CommRead(2, buffer, 256), 0);
        mComm::CommClose(2);

        // At its own speed it serves the tool's way in: COM2, mapped to the link.
        m::tLink link;
        link.Port = 2;
        link.TargetID = 512 + 9;
        std::vector<std::uint8_t> image(65537);
        TransferObserver unseen;
        QCOMPARE(TransferDriver(link, image, unseen).run(TransferKind::Download, 33, 40),
                 m::LINK_DOWNLOAD_DONE);
        QCOMPARE(link.Settings, QStringLiteral("19200,N,8,1"));
        QCOMPARE(std::uint32_t(link.SerialNo), 5555U | 0x80000000U);
        QCOMPARE(link.EEPROMSize, 1024);
        QVERIFY(std::equal(start.begin() + 32, start.end(), image.begin() + 33));
        // The terminal has no RTS line: noted, and the exchange goes on.
        QCOMPARE(mComm::CommLastError.sErrContext,
                 QStringLiteral("CommSetLine (EscapeCommFunction)"));

        process.terminate();
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(!QFileInfo(linkPath).isSymLink());
        QCOMPARE(readFile(out), start); // written back, without trailing zeros
    }
};

QTEST_GUILESS_MAIN(TestSimulatedDevice)
#include "tst_sim.moc"
