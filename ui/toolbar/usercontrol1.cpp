#include "usercontrol1.h"

#include "target.h"

#include "comport.h"
#include "configfile.h"
#include "confirmedupload.h"
#include "eepromimage.h"
#include "filedialogs.h"
#include "frmeeprom.h"
#include "m_cvlibex.h"
#include "mcomm.h"
#include "msgbox.h"
#include "numtext.h"
#include "portcombobox.h"
#include "resdll.h"
#include "settingsstore.h"
#include "toolbartext.h"
#include "twips.h"
#include "twipslayout.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <algorithm>
#include <limits>
#include <memory>

namespace {

// Language texts.
constexpr int TEXT_FIRST_BUTTON = 1100; // Open; the other buttons follow in order
constexpr int TEXT_SERIAL_FIELD = 1200;
constexpr int TEXT_COM = 1201;
constexpr int TEXT_BAUD = 1202;
constexpr int TEXT_SERIAL_NUMBER = 1203;
constexpr int TEXT_DEVICE_ID = 1204;
constexpr int TEXT_NO_BUFFER = 2206;
constexpr int TEXT_NEGATIVE_SERIAL = 3015;
constexpr int TEXT_SPEED_AFTER_RESET = 2559;
constexpr int TEXT_SPEED_MARK = 2560;

// The range the toolbar offers the host's range events.
constexpr std::int32_t RANGE_START = tqimage::layout::transferStart;
constexpr std::int32_t RANGE_STOP = TransferDriver::stopAtEepromEnd;

// Design geometry in twips.
constexpr double BUTTON_TOP = 0;
constexpr double BUTTON_WIDTH = 930;
constexpr double BUTTON_HEIGHT = 345;
constexpr double BUTTON_LEFTS[] = {15, 960, 1905, 2895, 3885, 4875, 5820, 6810, 8205};
constexpr double STRIP_LEFT = -15;
constexpr double STRIP_TOP = 345;
constexpr double STRIP_WIDTH = 9570;
constexpr double STRIP_HEIGHT = 375;
constexpr double STRIP_BOTTOM_GAP = 15;
constexpr double CAPTION_TOP = 75;
constexpr double VALUE_TOP = 90;
constexpr double LABEL_HEIGHT = 195;
constexpr double FIRST_CAPTION_LEFT = 30;
constexpr double GAP_AFTER_CAPTION = 30;
constexpr double GAP_AFTER_FIELD = 60;

QLabel *valueLabel(QWidget *parent, const char *name, double width)
{
    auto *label = new QLabel(QStringLiteral("-"), parent);
    label->setObjectName(QLatin1String(name));
    twips::place(*label, 0, VALUE_TOP, width, LABEL_HEIGHT);
    return label;
}

void makeBold(QLabel *label)
{
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
}

// The longest texts the value labels show: the fastest search speed, a serial
// number of 31 bits, the highest device ID.
const QString longestSpeed =
    QString::number(*std::max_element(m::SEARCH_SPEEDS.begin(), m::SEARCH_SPEEDS.end()));
const QString longestSerialNumber = QString::number(std::numeric_limits<std::int32_t>::max());
const QString longestDeviceId = QString::number(m::DEVICE_ID_LIMIT - 1);

// The width `label` needs to show `text` whole, in its own font.
int widthFor(const QLabel &label, const QString &text)
{
    QLabel probe(text);
    probe.setFont(label.font());
    return probe.sizeHint().width();
}

// A value label keeps its design width unless its longest value needs more.
void makeRoomFor(QLabel &label, const QString &longest)
{
    label.resize(std::max(label.width(), widthFor(label, longest)), label.height());
}

} // namespace

UserControl1::UserControl1(QWidget *parent) : QWidget(parent)
{
    createControls();
    m_cvlibex::applyDefaultGuiFontToControls(this);
    for (QLabel *label : {lbSpeed, lbSpeedMark, lbSN, lbID})
        makeBold(label);
    lbuf = {};
    mVerifyAfterUpload = settingsstore::verifyAfterUpload();
    fillPortList();
    cbComm->setCurrentIndex(comport::readStoredIndex());
    setCaptions();
    layoutStrip();
    connectCommands();
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    resize(sizeHint());
}

UserControl1::~UserControl1()
{
    comport::writeStoredIndex(cbComm->currentIndex());
}

void UserControl1::createControls()
{
    createButtons();
    createStrip();
    QWidget *previous = nullptr;
    for (QWidget *next : commandButtons()) {
        if (previous)
            setTabOrder(previous, next);
        previous = next;
    }
    setTabOrder(cmdHelp, txtSN);
    setTabOrder(txtSN, cbComm);
}

void UserControl1::createButtons()
{
    const char *const names[] = {"cmdOpen",     "cmdSave",   "cmdSaveAs", "cmdClear", "cmdTest",
                                 "cmdDownload", "cmdUpload", "cmdExit",   "cmdHelp"};
    const char *const designCaptions[] = {"Open",     "Save",   "Save as", "Clear", "Test",
                                          "Download", "Upload", "Exit",    "Help"};
    QPushButton **buttons[] = {&cmdOpen,     &cmdSave,   &cmdSaveAs, &cmdClear, &cmdTest,
                               &cmdDownload, &cmdUpload, &cmdExit,   &cmdHelp};
    for (std::size_t i = 0; i < std::size(buttons); ++i) {
        QPushButton *button = new QPushButton(QLatin1String(designCaptions[i]), this);
        button->setObjectName(QLatin1String(names[i]));
        button->setAutoDefault(false);
        twips::place(*button, BUTTON_LEFTS[i], BUTTON_TOP, BUTTON_WIDTH, BUTTON_HEIGHT);
        *buttons[i] = button;
    }
}

// The strip under the buttons: the target address and COM port fields and
// what the last contact found, each after its caption.
void UserControl1::createStrip()
{
    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    twips::place(*Picture1, STRIP_LEFT, STRIP_TOP, STRIP_WIDTH, STRIP_HEIGHT);

    const std::pair<int, const char *> captions[] = {{7, "Serial Number/Device ID:"},
                                                     {2, "COM:"},
                                                     {3, "Baud rate:"},
                                                     {0, "Serial Number:"},
                                                     {1, "Device ID:"}};
    for (const auto &[index, text] : captions) {
        Label1[index] = new QLabel(QLatin1String(text), Picture1);
        Label1[index]->setObjectName(QStringLiteral("Label1_%1").arg(index));
        twips::place(*Label1[index], 0, CAPTION_TOP, 0, LABEL_HEIGHT);
    }
    twips::moveLeft(*Label1[7], FIRST_CAPTION_LEFT);

    txtSN = new QLineEdit(QStringLiteral("1"), Picture1);
    txtSN->setObjectName(QStringLiteral("txtSN"));
    twips::place(*txtSN, 0, 30, 1080, 285);
    cbComm = new PortComboBox(Picture1);
    cbComm->setObjectName(QStringLiteral("cbComm"));
    twips::place(*cbComm, 0, 15, 720, 315);
    lbSpeed = valueLabel(Picture1, "lbSpeed", 765);
    lbSpeedMark = valueLabel(Picture1, "lbSpeedMark", 0);
    lbSpeedMark->hide();
    lbSN = valueLabel(Picture1, "lbSN", 1185);
    lbID = valueLabel(Picture1, "lbID", 0);
}

void UserControl1::fillPortList()
{
    cbComm->fill(mComm::PORT_COUNT);
}

std::array<QPushButton *, 9> UserControl1::commandButtons() const
{
    return {cmdOpen,     cmdSave,   cmdSaveAs, cmdClear, cmdTest,
            cmdDownload, cmdUpload, cmdExit,   cmdHelp};
}

void UserControl1::setCaptions()
{
    int textId = TEXT_FIRST_BUTTON;
    for (QPushButton *button : commandButtons())
        button->setText(gResDll.GetStr(textId++));
}

// One chain from left to right: a caption label takes its new text (and so its
// width) before the next control is placed after it.
void UserControl1::layoutStrip()
{
    lbSpeedMark->setText(textOr(TEXT_SPEED_MARK, QStringLiteral("*")));
    twips::fitWidthToText(*lbSpeedMark);
    makeRoomFor(*lbSpeed, longestSpeed + u' ' + lbSpeedMark->text());
    makeRoomFor(*lbSN, longestSerialNumber);
    struct Link
    {
        QLabel *caption;
        int textId;
        QWidget *field;
        QLabel *nextCaption; // nullptr at the end of the chain
    };
    const Link chain[] = {{Label1[7], TEXT_SERIAL_FIELD, txtSN, Label1[2]},
                          {Label1[2], TEXT_COM, cbComm, Label1[3]},
                          {Label1[3], TEXT_BAUD, lbSpeed, Label1[0]},
                          {Label1[0], TEXT_SERIAL_NUMBER, lbSN, Label1[1]},
                          {Label1[1], TEXT_DEVICE_ID, lbID, nullptr}};
    for (const Link &link : chain) {
        link.caption->setText(gResDll.GetStr(link.textId));
        twips::fitWidthToText(*link.caption);
        twips::moveLeft(*link.field, twips::rightOf(*link.caption) + GAP_AFTER_CAPTION);
        if (link.nextCaption)
            twips::moveLeft(*link.nextCaption, twips::rightOf(*link.field) + GAP_AFTER_FIELD);
    }
    twips::fitWidthToText(*lbID);
}

void UserControl1::connectCommands()
{
    connect(cmdOpen, &QPushButton::clicked, this, &UserControl1::cmdOpen_Click);
    connect(cmdSave, &QPushButton::clicked, this, &UserControl1::cmdSave_Click);
    connect(cmdSaveAs, &QPushButton::clicked, this, &UserControl1::cmdSaveAs_Click);
    connect(cmdClear, &QPushButton::clicked, this, &UserControl1::cmdClear_Click);
    connect(cmdTest, &QPushButton::clicked, this, &UserControl1::cmdTest_Click);
    connect(cmdDownload, &QPushButton::clicked, this, &UserControl1::cmdDownload_Click);
    connect(cmdUpload, &QPushButton::clicked, this, &UserControl1::cmdUpload_Click);
    connect(cmdExit, &QPushButton::clicked, this, &UserControl1::cmdExit_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &UserControl1::cmdHelp_Click);
}

int UserControl1::wantedHeight() const
{
    const double height = STRIP_TOP + twips::fromPixels(Picture1->height()) + STRIP_BOTTOM_GAP;
    return twips::toPixels(numtext::roundHalfEven(height));
}

// The design width, or more when the captions' font makes the strip's chain of
// fields run past it, so that a host can show the whole strip, the longest
// device ID included.
QSize UserControl1::sizeHint() const
{
    const int design = twips::toPixels(STRIP_LEFT + STRIP_WIDTH);
    const int idWidth = std::max(lbID->width(), widthFor(*lbID, longestDeviceId));
    const int chainEnd = Picture1->x() + lbID->x() + idWidth + twips::toPixels(GAP_AFTER_FIELD);
    return {std::max(design, chainEnd), wantedHeight()};
}

// As wide as the buttons' row, with the same margin on both sides.
QSize UserControl1::minimumSizeHint() const
{
    return {cmdHelp->geometry().right() + 1 + cmdOpen->x(), wantedHeight()};
}

void UserControl1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Picture1->resize(width(), Picture1->height());
    if (height() != wantedHeight())
        resize(width(), wantedHeight());
}

void UserControl1::setProductCode(const QString &code)
{
    mProductCode = code;
    mProductBase = m::productBaseOf(code);
}

void UserControl1::SetBuf(std::span<std::uint8_t> buffer)
{
    lbuf = buffer;
}

std::int32_t UserControl1::GetSN()
{
    const QString field = txtSN->text();
    const std::optional<std::int32_t> number = m::serialFieldNumber(field);
    const std::optional<std::int32_t> address = m::targetAddress(field, mProductBase);
    if (!number || !address) {
        showMessage(TEXT_NEGATIVE_SERIAL);
        return -1;
    }
    // A serial number comes back as typed, without the address bit.
    return *number < m::DEVICE_ID_LIMIT ? *address : *number;
}

bool UserControl1::REQ_DATARESTORED()
{
    bool lCanceled = false;
    emit DataRestored(lCanceled);
    return !lCanceled;
}

bool UserControl1::ReadTarget()
{
    // A number beyond 32 bits would address some other device: refused.
    const std::optional<std::int32_t> address = m::targetAddress(txtSN->text(), mProductBase);
    if (!address) {
        showMessage(toolbartext::badTarget);
        return false;
    }
    mLink.TargetID = *address;
    const double port = numtext::roundedNumber(cbComm->currentText());
    if (port >= std::numeric_limits<std::int16_t>::min() &&
        port <= std::numeric_limits<std::int16_t>::max())
        mLink.Port = static_cast<std::int16_t>(port);
    return true;
}

void UserControl1::ShowDeviceInfo()
{
    if (m::gLink.SpeedFound)
        showDevice(m::summarize(m::gLink));
}

void UserControl1::showDevice(const m::DeviceSummary &found)
{
    lbSN->setText(QString::number(found.serialNumber));
    lbID->setText(QString::number(found.deviceId));
    twips::fitWidthToText(*lbID);
    lbSpeed->setText(QString::number(found.baud));
    lbSpeedMark->hide();
}

void UserControl1::expectSpeedAfterReset(std::int32_t baud)
{
    if (baud == m::summarize(mLink).baud)
        return;
    mLink.DCBString = m::modeString(baud);
    mLink.Settings = m::shortForm(baud);
    lbSpeedMark->setToolTip(textOr(TEXT_SPEED_AFTER_RESET,
                                   QStringLiteral("After its reset the device answers at %1 baud."))
                                .arg(baud));
    placeSpeedMark();
    lbSpeedMark->show();
}

// Right after the speed's text, inside the room the speed label keeps for it.
void UserControl1::placeSpeedMark()
{
    const int textEnd = lbSpeed->x() + lbSpeed->fontMetrics().horizontalAdvance(lbSpeed->text());
    lbSpeedMark->move(textEnd + lbSpeed->fontMetrics().horizontalAdvance(u' '), lbSpeed->y());
}

std::optional<UserControl1::Range> UserControl1::runTransfer(std::int16_t aMode,
                                                             RangeEvent rangeEvent,
                                                             std::span<std::uint8_t> image,
                                                             TransferOptions options)
{
    m::gLink = mLink;
    m::gLink.SpeedFound = m::LINK_FALSE;
    std::int32_t lStart = RANGE_START;
    std::int32_t lStop = RANGE_STOP;
    if (rangeEvent)
        emit(this->*rangeEvent)(lStart, lStop);
    auto window = std::make_unique<frmEEPROM>(this);
    window->setImage(image);
    window->setOptions(options);
    std::optional<Range> moved;
    if (window->Action(aMode, lStart, lStop) == m::LINK_OK) {
        mLink = m::gLink;
        moved = Range{lStart, lStop == RANGE_STOP ? mLink.EEPROMSize : lStop};
    }
    ShowDeviceInfo();
    return moved;
}

void UserControl1::downloadSucceeded()
{
    mDataLen = mLink.EEPROMSize;
    mOrigin = Origin{mLink.Port, m::summarize(mLink)};
    emit DataChaned();
}

void UserControl1::cmdTest_Click()
{
    if (ReadTarget())
        runTransfer(frmEEPROM::ACTION_TEST, nullptr, tqimage::EEPROMBuf);
}

void UserControl1::cmdDownload_Click()
{
    if (ReadTarget() && runTransfer(frmEEPROM::ACTION_DOWNLOAD, &UserControl1::EnumDownloadSize,
                                    tqimage::EEPROMBuf))
        downloadSucceeded();
}

void UserControl1::cmdUpload_Click()
{
    if (REQ_DATARESTORED() && ReadTarget() &&
        runTransfer(frmEEPROM::ACTION_UPLOAD, &UserControl1::EnumUploadSize, tqimage::EEPROMBuf,
                    TransferOptions{mVerifyAfterUpload}))
        expectSpeedAfterReset(site::configuredSpeed(tqimage::EEPROMBuf));
}

std::optional<UserControl1::Range> UserControl1::downloadInto(tqimage::EEPROMImage &image)
{
    if (!ReadTarget())
        return std::nullopt;
    return runTransfer(frmEEPROM::ACTION_DOWNLOAD, &UserControl1::EnumDownloadSize, image);
}

void UserControl1::takeDownload(const tqimage::EEPROMImage &image, Range moved)
{
    std::copy(image.begin() + moved.first, image.begin() + moved.last + 1,
              tqimage::EEPROMBuf.begin() + moved.first);
    downloadSucceeded();
    ShowDeviceInfo();
}

void UserControl1::runCommand(Command command)
{
    commandButtons()[static_cast<std::size_t>(command)]->click();
}

void UserControl1::setVerifyAfterUpload(bool on)
{
    mVerifyAfterUpload = on;
    settingsstore::setVerifyAfterUpload(on);
}

void UserControl1::focusTarget()
{
    txtSN->setFocus(Qt::OtherFocusReason);
}

int UserControl1::comPort() const
{
    return static_cast<int>(numtext::roundedNumber(cbComm->currentText()));
}

QStringList UserControl1::comPortEntries() const
{
    QStringList entries;
    for (int index = 0; index < cbComm->count(); ++index)
        entries << cbComm->itemText(index);
    return entries;
}

void UserControl1::useDevice(int port, const m::DeviceSummary &device)
{
    cbComm->setCurrentIndex(port - 1);
    const bool readAsId = device.serialNumber < std::uint32_t(m::DEVICE_ID_LIMIT);
    txtSN->setText(QString::number(readAsId ? device.deviceId : device.serialNumber));
    mLink.DCBString = m::modeString(std::int32_t(device.baud));
    mLink.Settings = m::shortForm(std::int32_t(device.baud));
    showDevice(device);
}

bool UserControl1::hasBuffer()
{
    if (lbuf.empty())
        showMessage(TEXT_NO_BUFFER);
    return !lbuf.empty();
}

void UserControl1::cmdOpen_Click()
{
    if (!hasBuffer())
        return;
    const QString name = filedialogs::ask(fileDialog(), filedialogs::Mode::Open);
    if (!name.isEmpty())
        openFile(name);
}

void UserControl1::openFile(const QString &path)
{
    if (!hasBuffer())
        return;
    // Empties the whole image first, so no byte of the previous configuration
    // survives past the file's end; a failed read leaves the image as it was.
    const std::int32_t count = configfile::load(path, lbuf);
    if (count < 0) {
        showMessage(toolbartext::cantReadFile);
        return;
    }
    mDataLen = count;
    mOrigin.reset();
    emit DataChaned();
    mFilename = path; // after the event: the host still sees the previous name there
    emit fileOpened(path);
}

void UserControl1::cmdSave_Click()
{
    if (!REQ_DATARESTORED())
        return;
    if (mFilename.trimmed().isEmpty())
        cmdSaveAs_Click();
    else
        SaveFile(mFilename);
}

void UserControl1::cmdSaveAs_Click()
{
    if (!REQ_DATARESTORED())
        return;
    const QString name = filedialogs::ask(fileDialog(), filedialogs::Mode::SaveAs);
    if (!name.isEmpty())
        SaveFile(name);
}

void UserControl1::SaveFile(const QString &path)
{
    std::fill(lbuf.begin(), lbuf.end(), std::uint8_t{0});
    bool lCanceled = false;
    emit DataRestored(lCanceled);
    if (lCanceled)
        return; // the buffer stays cleared
    // Written aside and put in place at once: a failure keeps the old file.
    if (configfile::save(path, lbuf) < 0) {
        showMessage(toolbartext::cantWriteFile);
        return;
    }
    mFilename = path;
    emit fileSaved(path);
}

void UserControl1::cmdClear_Click()
{
    mFilename.clear();
    mOrigin.reset();
    emit DataClear();
}

void UserControl1::cmdExit_Click()
{
    emit SysExit();
}

void UserControl1::cmdHelp_Click()
{
    emit HelpClick();
}

void UserControl1::showMessage(int textId)
{
    msgbox::show(this, gResDll.GetStr(textId), msgbox::Icon::Exclamation);
}

QFileDialog &UserControl1::fileDialog()
{
    if (!CommonDialog1) {
        CommonDialog1 = new filedialogs::CommonDialog(this);
        CommonDialog1->setObjectName(QStringLiteral("CommonDialog1"));
    }
    return *CommonDialog1;
}
