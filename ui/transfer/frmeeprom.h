#pragma once

#include "transferdriver.h"

#include <QDialog>
#include <cstdint>
#include <optional>
#include <span>

class QLabel;
class QPushButton;
class QTimer;

// The modal window that runs one device transfer on the shared link record
// m::gLink and shows it: the transfer driver opens the port, finds the
// device's speed, then downloads the configuration into the image
// tqimage::EEPROMBuf, uploads it into the device and resets it, or only tests
// the connection; at the end the window shows the outcome (language text
// 1400 + result). Everything runs on the UI thread inside a timer tick; the
// link's waits let events run, so Cancel stays clickable, and Escape does what
// the button would do (nothing while it is greyed).
//
// A line under the status line says more where there is more to say: the
// speed the search is trying and how far it is, why the port would not open,
// what to check when nothing answered, where a verify found a difference. The
// window keeps its design size unless that line needs more room.
class frmEEPROM : public QDialog, private TransferObserver
{
    Q_OBJECT

public:
    // What Action does.
    static constexpr std::int16_t ACTION_DOWNLOAD = 0;
    static constexpr std::int16_t ACTION_UPLOAD = 1;
    static constexpr std::int16_t ACTION_TEST = 2;
    static constexpr int TIMER2_INTERVAL_MS = 10;
    static constexpr int TIMER3_INTERVAL_MS = 500;

    explicit frmEEPROM(QWidget *parent = nullptr);
    ~frmEEPROM() override;

    // Shows the window modally and runs one transfer of positions dlStart to
    // dlStop (both only read); returns when the window has been closed: 0 for a
    // completed download, upload or test, otherwise the link's failure code.
    std::int32_t Action(std::int16_t aMode, std::int32_t &dlStart, std::int32_t &dlStop);

    // The image the next Action downloads into or uploads from (an
    // EEPROMImage's bytes); tqimage::EEPROMBuf unless set.
    void setImage(std::span<std::uint8_t> image) { mImage = image; }
    // What the next upload does beyond writing and resetting.
    void setOptions(const TransferOptions &options) { mOptions = options; }

    // True while the transfer driver runs.
    bool busy() const { return bBusy != 0; }
    // True once this Action's transfer has run to its end.
    bool transferEnded() const { return transferRan && !bBusy; }

    // The timers' tick handlers; public so a test on a manual clock can tick them.
    void Timer2_Timer();
    void Timer3_Timer();

private:
    void Form_Load();
    void placeControls();
    void RunTransfer();
    void stageChanged(TransferStage stage, bool cancellable) override;
    void searching(std::int32_t baud, int attempt, int attempts) override;
    void finishTransfer(const std::optional<VerifyMismatch> &mismatch);
    QString outcomeDetail(const std::optional<VerifyMismatch> &mismatch) const;
    void cmdCancel_Click();
    void pressEscape();
    void showStatus(int textId);
    void showDetail(const QString &text);
    void fitDetail();
    void letEventsRun();

    std::int16_t nAction = ACTION_TEST;
    std::int16_t bBusy = 0;
    std::int32_t lStart = 0;
    std::int32_t lStop = 0;
    std::int32_t lResult = 0;
    // The transfer runs once per Action; a window closed before it ran reports a cancel.
    bool transferRan = false;

    QTimer *Timer2;
    QTimer *Timer3;
    QPushButton *cmdCancel;
    QLabel *lbdownload;
    QLabel *Label1;
    QLabel *lbMsg;
    QLabel *lbDetail; // under lbMsg, shown when there is more to say

    std::span<std::uint8_t> mImage;
    TransferOptions mOptions;
};
