// The toolbar's COM list names the ports the system has; the entries still
// start with their number, which the transfer and the stored index read.

#include "../simbench.h"
#include "../transferuser.h"
#include "comport.h"
#include "portlist.h"
#include "resdll.h"
#include "usercontrol1.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

portlist::SystemPort port(const QString &name, const QString &description)
{
    portlist::SystemPort found;
    found.name = name;
    found.path = QStringLiteral("/dev/") + name;
    found.description = description;
    return found;
}

} // namespace

class TestPortComboBox : public QObject
{
    Q_OBJECT

    QTemporaryDir config;

private slots:
    void initTestCase()
    {
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
    }

    void namesThePortsAndReadsTheNumber()
    {
        std::vector<portlist::SystemPort> present{port("ttyUSB0", "FT232R USB UART")};
        portlist::ScopedSource source([&] { return present; });
        SimBench bench;
        TransferUser user;
        {
            UserControl1 bar;
            auto *list = bar.findChild<QComboBox *>(QStringLiteral("cbComm"));
            QCOMPARE(list->count(), 16);
            QCOMPARE(list->itemText(0), QStringLiteral("1"));
            QCOMPARE(list->itemText(8), QStringLiteral("9  ttyUSB0 (FT232R USB UART)"));

            list->setCurrentIndex(12);
            present.push_back(port("ttyACM0", "USB CDC"));
            QTest::mouseClick(list, Qt::LeftButton); // opening the list looks again
            QCOMPARE(list->itemText(12), QStringLiteral("13  ttyACM0 (USB CDC)"));
            list->hidePopup();
            QCOMPARE(list->currentIndex(), 12);

            bar.setProductCode(QStringLiteral("TQ540-2"));
            QTest::mouseClick(bar.findChild<QPushButton *>(QStringLiteral("cmdTest")),
                              Qt::LeftButton);
            QCOMPARE(bar.link().SpeedFound, m::LINK_TRUE);
            QCOMPARE(bar.link().Port, std::int16_t(13));
        }
        QCOMPARE(comport::readStoredIndex(), 12);
    }
};

QTEST_MAIN(TestPortComboBox)
#include "tst_portcombobox.moc"
