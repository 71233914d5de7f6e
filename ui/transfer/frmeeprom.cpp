#include "frmeeprom.h"

#include "eepromimage.h"
#include "linkclock.h"
#include "m.h"
#include "m_cvlibex.h"
#include "modclosebtn.h"
#include "openfailure.h"
#include "resdll.h"
#include "transfertext.h"
#include "twips.h"
#include "twipslayout.h"

#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <algorithm>

namespace {

// Language texts of the window.
constexpr int TEXT_CLOSE = 1300;
constexpr int TEXT_CANCEL = 1301;
constexpr int TEXT_CAPTION_UPLOAD = 1350;
constexpr int TEXT_CAPTION_DOWNLOAD = 1351;
constexpr int TEXT_CAPTION_TEST = 1352;
constexpr int TEXT_STATUS_LABEL = 1353;
constexpr int TEXT_NO_ANSWER_HINT = 1361;

// Design geometry in twips.
constexpr double CLIENT_WIDTH = 3960;
constexpr double CLIENT_HEIGHT = 1425;
constexpr double STATUS_GAP = 60; // between Label1 and lbMsg
constexpr double CANCEL_LEFT = 1440, CANCEL_TOP = 900;
constexpr double DETAIL_GAP = 60; // kept free above cmdCancel

const bool closeGreyed = false;
const bool closeRestored = true;

// Any mode but download and upload runs a test, as its caption says.
TransferKind kindOf(std::int16_t aMode)
{
    switch (aMode) {
    case frmEEPROM::ACTION_DOWNLOAD:
        return TransferKind::Download;
    case frmEEPROM::ACTION_UPLOAD:
        return TransferKind::Upload;
    default:
        return TransferKind::Test;
    }
}

int captionId(std::int16_t aMode)
{
    switch (aMode) {
    case frmEEPROM::ACTION_UPLOAD:
        return TEXT_CAPTION_UPLOAD;
    case frmEEPROM::ACTION_DOWNLOAD:
        return TEXT_CAPTION_DOWNLOAD;
    default:
        return TEXT_CAPTION_TEST;
    }
}

// What to check when no device answered at any speed.
QString noAnswerHint()
{
    return textOr(TEXT_NO_ANSWER_HINT,
                  QStringLiteral("Check the serial number / device ID, the COM port and the "
                                 "cable. Device > Find devices lists the devices that answer."));
}

} // namespace

frmEEPROM::frmEEPROM(QWidget *parent)
    : QDialog(parent), Timer2(new QTimer(this)), Timer3(new QTimer(this)),
      cmdCancel(new QPushButton(QStringLiteral("&Cancel"), this)), lbdownload(new QLabel(this)),
      Label1(new QLabel(QStringLiteral("Status:"), this)), lbMsg(new QLabel(this)),
      lbDetail(new QLabel(this)), mImage(tqimage::EEPROMBuf)
{
    setObjectName(QStringLiteral("frmEEPROM"));
    setWindowTitle(QStringLiteral("Download"));
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer3->setObjectName(QStringLiteral("Timer3"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    lbdownload->setObjectName(QStringLiteral("lbdownload"));
    Label1->setObjectName(QStringLiteral("Label1"));
    lbMsg->setObjectName(QStringLiteral("lbMsg"));
    lbDetail->setObjectName(QStringLiteral("lbDetail"));

    Timer2->setInterval(TIMER2_INTERVAL_MS);
    Timer2->setSingleShot(true);
    Timer3->setInterval(TIMER3_INTERVAL_MS);
    connect(Timer2, &QTimer::timeout, this, &frmEEPROM::Timer2_Timer);
    connect(Timer3, &QTimer::timeout, this, &frmEEPROM::Timer3_Timer);
    connect(cmdCancel, &QPushButton::clicked, this, &frmEEPROM::cmdCancel_Click);
    cmdCancel->setDefault(true);
    lbMsg->setWordWrap(true);
    lbMsg->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbDetail->setWordWrap(true);
    lbDetail->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbDetail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lbDetail->hide();
    // Before the dialog's own Escape, which would close it whatever the button says.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &frmEEPROM::pressEscape);
    placeControls();
    Form_Load();
}

frmEEPROM::~frmEEPROM() = default;

void frmEEPROM::placeControls()
{
    setFixedSize(twips::toPixels(CLIENT_WIDTH), twips::toPixels(CLIENT_HEIGHT));
    twips::place(*cmdCancel, CANCEL_LEFT, CANCEL_TOP, 1170, 345);
    twips::place(*lbdownload, 3420, 240, 465, 240);
    twips::place(*Label1, 75, 240, 495, 195);
    twips::place(*lbMsg, 690, 240, 3165, 420);
}

void frmEEPROM::Form_Load()
{
    bBusy = m::LINK_FALSE;
    m_cvlibex::applyDefaultGuiFontToControls(this);
}

std::int32_t frmEEPROM::Action(std::int16_t aMode, std::int32_t &dlStart, std::int32_t &dlStop)
{
    lbdownload->clear();
    setWindowTitle(gResDll.GetStr(captionId(aMode)));
    Label1->setText(gResDll.GetStr(TEXT_STATUS_LABEL));
    // The caption label takes its text's width; the status line follows it and
    // keeps its right edge, so a longer caption never pushes it out of the window.
    twips::fitWidthToText(*Label1);
    const int statusLeft = twips::toPixels(twips::rightOf(*Label1) + STATUS_GAP);
    const int statusRight = lbMsg->geometry().right();
    lbMsg->setGeometry(statusLeft, lbMsg->y(), statusRight - statusLeft + 1, lbMsg->height());
    cmdCancel->setText(gResDll.GetStr(TEXT_CANCEL));
    showDetail({});

    nAction = aMode;
    lStart = dlStart;
    lStop = dlStop;
    lResult = m::LINK_OK;
    m::gLink.Cancel = m::LINK_FALSE;
    transferRan = false;

    Timer2->start();
    exec();
    Timer2->stop();
    // Closed (Escape) before the transfer could start: nothing was done.
    if (!transferRan)
        return m::LINK_CANCELLED;
    return lResult;
}

void frmEEPROM::Timer2_Timer()
{
    Timer2->stop();
    if (bBusy || transferRan)
        return; // a tick that comes while the transfer runs, or after it
    transferRan = true;
    RunTransfer();
}

void frmEEPROM::RunTransfer()
{
    bBusy = m::LINK_TRUE;
    modCloseBtn::EnableCloseButton(this, closeGreyed);
    TransferDriver driver(m::gLink, mImage, *this, mOptions);
    const TransferKind kind = kindOf(nAction);
    lResult = driver.run(kind, lStart, lStop);
    if (kind == TransferKind::Test && lResult == m::LINK_OK)
        m::gLink.Cancel = m::LINK_TRUE; // a test closes its window at the end
    finishTransfer(driver.mismatch());
}

void frmEEPROM::searching(std::int32_t baud, int attempt, int attempts)
{
    showDetail(transfertext::searchProgressText(baud, attempt, attempts));
}

void frmEEPROM::stageChanged(TransferStage stage, bool cancellable)
{
    showDetail({});
    if (movesBlocks(stage)) {
        Timer3->start();
    } else {
        Timer3->stop();
        lbdownload->clear();
    }
    cmdCancel->setEnabled(cancellable);
    showStatus(transfertext::forStage(stage));
}

void frmEEPROM::finishTransfer(const std::optional<VerifyMismatch> &mismatch)
{
    lbdownload->clear();
    modCloseBtn::EnableCloseButton(this, closeRestored);
    Timer3->stop();
    showStatus(transfertext::outcomeBase + lResult);
    showDetail(outcomeDetail(mismatch));
    cmdCancel->setText(gResDll.GetStr(TEXT_CLOSE));
    cmdCancel->setEnabled(true);
    letEventsRun();
    bBusy = m::LINK_FALSE;
    if (transferSucceeded(lResult))
        lResult = m::LINK_OK;
    if (m::gLink.Cancel)
        close();
}

QString frmEEPROM::outcomeDetail(const std::optional<VerifyMismatch> &mismatch) const
{
    switch (lResult) {
    case m::LINK_PORT_FAILED:
        return mComm::openFailureDetail(m::gLink.Port);
    case m::LINK_NO_REPLY:
        // Nothing answered at any speed; a device that stopped answering needs no hint.
        return m::gLink.SpeedFound ? QString() : noAnswerHint();
    case m::LINK_VERIFY_FAILED:
        return mismatch ? transfertext::mismatchText(*mismatch) : QString();
    default:
        return {};
    }
}

void frmEEPROM::Timer3_Timer()
{
    const std::optional<int> percent = percentDone(m::gLink);
    if (percent)
        lbdownload->setText(QString::number(*percent) + QLatin1Char('%'));
    else
        lbdownload->clear();
}

void frmEEPROM::cmdCancel_Click()
{
    if (bBusy)
        m::gLink.Cancel = m::LINK_TRUE; // the running operation stops at its next check
    else
        close();
}

void frmEEPROM::pressEscape()
{
    if (cmdCancel->isEnabled())
        cmdCancel->click();
}

void frmEEPROM::showStatus(int textId)
{
    lbMsg->setText(gResDll.GetStr(textId));
    fitDetail();
}

void frmEEPROM::showDetail(const QString &text)
{
    lbDetail->setText(text);
    lbDetail->setVisible(!text.isEmpty());
    fitDetail();
}

// The detail follows the status text as it is broken into lines; when it
// reaches down to cmdCancel, the button moves down and the window grows by as
// much.
void frmEEPROM::fitDetail()
{
    const QString status = lbMsg->text();
    const int top = lbMsg->y() + (status.isEmpty() ? 0 : lbMsg->heightForWidth(lbMsg->width()));
    const int height = lbDetail->text().isEmpty() ? 0 : lbDetail->heightForWidth(lbMsg->width());
    lbDetail->setGeometry(lbMsg->x(), top, lbMsg->width(), height);
    const int room = twips::toPixels(CANCEL_TOP - DETAIL_GAP);
    const int extra = std::max(0, top + height - room);
    cmdCancel->move(twips::toPixels(CANCEL_LEFT), twips::toPixels(CANCEL_TOP) + extra);
    setFixedSize(twips::toPixels(CLIENT_WIDTH), twips::toPixels(CLIENT_HEIGHT) + extra);
}

void frmEEPROM::letEventsRun()
{
    linkclock::current().processEvents();
}
