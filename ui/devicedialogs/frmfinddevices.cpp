#include "frmfinddevices.h"

#include "m_cvlibex.h"
#include "mcomm.h"
#include "openfailure.h"
#include "portcombobox.h"
#include "resdll.h"
#include "transfertext.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Language texts of the dialog.
constexpr int TEXT_TITLE = 1800;
constexpr int TEXT_PORT = 1801;
constexpr int TEXT_IDS = 1802;
constexpr int TEXT_IDS_TO = 1803;
constexpr int TEXT_SPEEDS = 1804;
constexpr int TEXT_START = 1805;
constexpr int TEXT_STOP = 1806;
constexpr int TEXT_USE = 1807;
constexpr int TEXT_CLOSE = 1808;
constexpr int TEXT_FIRST_COLUMN = 1809; // ID, serial number, speed, EEPROM, device text
constexpr int TEXT_PROBING = 1814;
constexpr int TEXT_ESTIMATE = 1815;
constexpr int TEXT_FOUND = 1816;
constexpr int TEXT_STOPPED = 1817;
constexpr int TEXT_FIRST_ID_NAME = 1818;
constexpr int TEXT_LAST_ID_NAME = 1819;
constexpr int TEXT_TABLE_NAME = 1820;
constexpr int TEXT_PROGRESS_NAME = 1821;
constexpr int TEXT_SPEED_NAME = 1822;

const char *const columnNames[] = {"ID", "Serial number", "Speed", "EEPROM", "Device text"};

constexpr int lastDeviceId = m::DEVICE_ID_LIMIT - 1;

// A caption without its access key and colon, as a control's accessible name.
QString nameOf(const QString &caption)
{
    QString name = caption;
    name.remove(u'&');
    if (name.endsWith(u':'))
        name.chop(1);
    return name.trimmed();
}

// Minutes and seconds, rounded up: "1:05".
QString duration(double ms)
{
    const auto seconds = static_cast<long long>(std::ceil(std::max(ms, 0.0) / 1000.0));
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QPushButton *makeButton(QWidget *parent, const char *name)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

QSpinBox *makeIdBox(QWidget *parent, const char *name, int value)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(0, lastDeviceId);
    box->setValue(value);
    return box;
}

} // namespace

frmFindDevices::frmFindDevices(int port, const QStringList &portEntries, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFindDevices"));
    createControls(portEntries);
    layOut();
    setTexts();
    connectControls();
    m_cvlibex::applyDefaultGuiFontToControls(this);
    cbPort->setCurrentIndex(std::clamp(port, 1, cbPort->count()) - 1);
    showEstimate();
    enableControls();
}

frmFindDevices::~frmFindDevices() = default;

void frmFindDevices::createControls(const QStringList &portEntries)
{
    for (QLabel *&caption : captions)
        caption = new QLabel(this);
    cbPort = new PortComboBox(this);
    cbPort->setObjectName(QStringLiteral("cbPort"));
    // Looking the names up again would stall the window; the list does when opened.
    cbPort->setEntries(portEntries);
    txtFirstId = makeIdBox(this, "txtFirstId", 1);
    txtLastId = makeIdBox(this, "txtLastId", lastDeviceId);
    for (std::size_t i = 0; i < ckSpeeds.size(); ++i) {
        ckSpeeds[i] = new QCheckBox(QString::number(m::SEARCH_SPEEDS[i]), this);
        ckSpeeds[i]->setObjectName(QStringLiteral("ckSpeed%1").arg(m::SEARCH_SPEEDS[i]));
        ckSpeeds[i]->setChecked(true);
    }
    cmdStart = makeButton(this, "cmdStart");
    cmdStart->setDefault(true);
    cmdStop = makeButton(this, "cmdStop");
    pbScan = new QProgressBar(this);
    pbScan->setObjectName(QStringLiteral("pbScan"));
    pbScan->setTextVisible(false);
    lbProgress = new QLabel(this);
    lbProgress->setObjectName(QStringLiteral("lbProgress"));
    lbProgress->setWordWrap(true);
    tblFound = new QTableWidget(0, int(std::size(columnNames)), this);
    tblFound->setObjectName(QStringLiteral("tblFound"));
    tblFound->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblFound->setSelectionMode(QAbstractItemView::SingleSelection);
    tblFound->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblFound->verticalHeader()->hide();
    tblFound->horizontalHeader()->setStretchLastSection(true);
    cmdUse = makeButton(this, "cmdUse");
    cmdClose = makeButton(this, "cmdClose");
}

void frmFindDevices::layOut()
{
    auto *ids = new QHBoxLayout;
    ids->addWidget(txtFirstId);
    ids->addWidget(captions[2]);
    ids->addWidget(txtLastId);
    ids->addStretch();
    auto *speeds = new QHBoxLayout;
    for (QCheckBox *speed : ckSpeeds)
        speeds->addWidget(speed);
    speeds->addStretch();
    auto *form = new QFormLayout;
    form->addRow(captions[0], cbPort);
    form->addRow(captions[1], ids);
    form->addRow(captions[3], speeds);
    auto *scan = new QHBoxLayout;
    scan->addWidget(cmdStart);
    scan->addWidget(cmdStop);
    scan->addWidget(pbScan, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdUse);
    buttons->addWidget(cmdClose);
    auto *dialog = new QVBoxLayout(this);
    dialog->addLayout(form);
    dialog->addLayout(scan);
    dialog->addWidget(lbProgress);
    dialog->addWidget(tblFound, 1);
    dialog->addLayout(buttons);
    resize(sizeHint().width() * 5 / 4, sizeHint().height() * 3 / 2);
}

void frmFindDevices::setTexts()
{
    setWindowTitle(textOr(TEXT_TITLE, QStringLiteral("Find devices")));
    captions[0]->setText(textOr(TEXT_PORT, QStringLiteral("C&OM port:")));
    captions[1]->setText(textOr(TEXT_IDS, QStringLiteral("Device &IDs:")));
    captions[2]->setText(textOr(TEXT_IDS_TO, QStringLiteral("to")));
    captions[3]->setText(textOr(TEXT_SPEEDS, QStringLiteral("Speeds:")));
    cmdStart->setText(textOr(TEXT_START, QStringLiteral("&Start")));
    cmdStop->setText(textOr(TEXT_STOP, QStringLiteral("S&top")));
    cmdUse->setText(textOr(TEXT_USE, QStringLiteral("&Use")));
    cmdClose->setText(textOr(TEXT_CLOSE, QStringLiteral("&Close")));
    QStringList headers;
    for (int c = 0; c < int(std::size(columnNames)); ++c)
        headers << textOr(TEXT_FIRST_COLUMN + c, QLatin1String(columnNames[c]));
    tblFound->setHorizontalHeaderLabels(headers);
    // The captions label their fields (on Linux a list is named by its text and
    // labelled by its caption).
    captions[0]->setBuddy(cbPort);
    captions[1]->setBuddy(txtFirstId);
    cbPort->setAccessibleName(nameOf(captions[0]->text()));
    txtFirstId->setAccessibleName(textOr(TEXT_FIRST_ID_NAME, QStringLiteral("First device ID")));
    txtLastId->setAccessibleName(textOr(TEXT_LAST_ID_NAME, QStringLiteral("Last device ID")));
    for (std::size_t i = 0; i < ckSpeeds.size(); ++i)
        ckSpeeds[i]->setAccessibleName(
            textOr(TEXT_SPEED_NAME, QStringLiteral("%1 baud")).arg(m::SEARCH_SPEEDS[i]));
    tblFound->setAccessibleName(textOr(TEXT_TABLE_NAME, QStringLiteral("Devices found")));
    pbScan->setAccessibleName(textOr(TEXT_PROGRESS_NAME, QStringLiteral("Progress")));
}

void frmFindDevices::connectControls()
{
    connect(cmdStart, &QPushButton::clicked, this, &frmFindDevices::cmdStart_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmFindDevices::cmdStop_Click);
    connect(cmdUse, &QPushButton::clicked, this, &frmFindDevices::useSelected);
    connect(cmdClose, &QPushButton::clicked, this, &frmFindDevices::reject);
    connect(tblFound, &QTableWidget::cellDoubleClicked, this, &frmFindDevices::useSelected);
    connect(tblFound, &QTableWidget::itemSelectionChanged, this, &frmFindDevices::enableControls);
    const auto changed = [this] {
        showEstimate();
        enableControls();
    };
    connect(txtFirstId, &QSpinBox::valueChanged, this, changed);
    connect(txtLastId, &QSpinBox::valueChanged, this, changed);
    for (QCheckBox *speed : ckSpeeds)
        connect(speed, &QCheckBox::toggled, this, changed);
}

std::vector<int> frmFindDevices::chosenIds() const
{
    std::vector<int> ids;
    for (int id = txtFirstId->value(); id <= txtLastId->value(); ++id)
        ids.push_back(id);
    return ids;
}

std::vector<std::int32_t> frmFindDevices::chosenSpeeds() const
{
    std::vector<std::int32_t> speeds;
    for (std::size_t i = 0; i < ckSpeeds.size(); ++i) {
        if (ckSpeeds[i]->isChecked())
            speeds.push_back(m::SEARCH_SPEEDS[i]);
    }
    return speeds;
}

// What a scan of the choice would cost, before it starts.
void frmFindDevices::showEstimate()
{
    const busscan::ScanProgress plan(chosenIds(), chosenSpeeds());
    lbProgress->setText(textOr(TEXT_ESTIMATE, QStringLiteral("%1 requests, about %2"))
                            .arg(plan.planned())
                            .arg(duration(plan.msLeft())));
}

void frmFindDevices::enableControls()
{
    const bool idle = !mScanning;
    for (QWidget *input : {static_cast<QWidget *>(cbPort), static_cast<QWidget *>(txtFirstId),
                           static_cast<QWidget *>(txtLastId)})
        input->setEnabled(idle);
    for (QCheckBox *speed : ckSpeeds)
        speed->setEnabled(idle);
    cmdStart->setEnabled(idle && !chosenIds().empty() && !chosenSpeeds().empty());
    cmdStop->setEnabled(mScanning);
    cmdUse->setEnabled(!tblFound->selectedItems().isEmpty() && !mCloseWhenStopped);
}

void frmFindDevices::cmdStart_Click()
{
    const std::vector<int> ids = chosenIds();
    const std::vector<std::int32_t> speeds = chosenSpeeds();
    mFound.clear();
    tblFound->setRowCount(0);
    mScanPort = cbPort->currentIndex() + 1;
    mLink = m::tLink{};
    mLink.Port = static_cast<std::int16_t>(mScanPort);
    mComm::CommLastError = {};
    mProgress.emplace(ids, speeds);
    pbScan->setRange(0, mProgress->planned());
    pbScan->setValue(0);
    mScanning = true;
    enableControls();
    cmdStop->setFocus();
    const std::int32_t result = busscan::ScanBus(mLink, ids, speeds, *this, mFound);
    mScanning = false;
    showEnd(result);
    enableControls();
    if (mCloseWhenStopped) {
        const bool accepted = *std::exchange(mCloseWhenStopped, std::nullopt);
        accepted ? accept() : QDialog::reject();
    }
}

void frmFindDevices::cmdStop_Click()
{
    mLink.Cancel = m::LINK_TRUE; // the scan stops in the exchange under way
}

void frmFindDevices::showEnd(std::int32_t result)
{
    pbScan->setValue(pbScan->maximum());
    const int count = static_cast<int>(mFound.size());
    if (result == m::LINK_PORT_FAILED)
        lbProgress->setText(textOr(transfertext::outcomeBase + result,
                                   QStringLiteral("Can't open communication port.")) +
                            u'\n' + mComm::openFailureDetail(mLink.Port));
    else if (result == m::LINK_CANCELLED)
        lbProgress->setText(
            textOr(TEXT_STOPPED, QStringLiteral("Stopped. Devices found: %1")).arg(count));
    else
        lbProgress->setText(textOr(TEXT_FOUND, QStringLiteral("Devices found: %1")).arg(count));
}

void frmFindDevices::probing(std::int32_t baud, int id)
{
    mProgress->probing(baud, id);
    pbScan->setMaximum(mProgress->planned());
    pbScan->setValue(mProgress->asked() - 1);
    lbProgress->setText(textOr(TEXT_PROBING, QStringLiteral("%1 baud, device ID %2: about %3 left"))
                            .arg(baud)
                            .arg(id)
                            .arg(duration(mProgress->msLeft())));
}

void frmFindDevices::found(const busscan::FoundDevice &device)
{
    mProgress->found(device.id);
    const m::DeviceSummary &summary = device.summary;
    const QString cells[] = {QString::number(device.id), QString::number(summary.serialNumber),
                             QString::number(summary.baud), QString::number(summary.eepromSize),
                             summary.deviceText};
    const int row = tblFound->rowCount();
    tblFound->insertRow(row);
    for (int c = 0; c < int(std::size(cells)); ++c)
        tblFound->setItem(row, c, new QTableWidgetItem(cells[c]));
    tblFound->resizeColumnsToContents();
    if (row == 0)
        tblFound->selectRow(0);
}

void frmFindDevices::useSelected()
{
    const int row = tblFound->currentRow();
    if (row < 0 || row >= int(mFound.size()) || tblFound->selectedItems().isEmpty())
        return;
    mChoice = Choice{mScanPort, mFound[std::size_t(row)].summary};
    if (mScanning)
        closeAfterScan(true);
    else
        accept();
}

void frmFindDevices::closeAfterScan(bool accepted)
{
    if (!accepted)
        mChoice.reset();
    mCloseWhenStopped = accepted;
    mLink.Cancel = m::LINK_TRUE;
    enableControls();
}

// Escape, Close and the title bar's close button (QDialog::closeEvent) all
// come here.
void frmFindDevices::reject()
{
    if (mScanning)
        closeAfterScan(false);
    else
        QDialog::reject();
}
