#pragma once

#include "eepromimage.h"
#include "m.h" // m::tLink
#include "target.h"
#include "transferdriver.h"

#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

class PortComboBox;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;

// The device toolbar of the main window: the file commands (Open, Save, Save
// as, Clear), the device commands (Test, Download, Upload), Exit and Help, the
// serial number / device ID field, the COM port list and what the last device
// contact found. It owns no configuration: the host lends its image with
// SetBuf and the two sides keep it in step through the signals, which must be
// connected directly (by-reference arguments are read back after the handler).
class UserControl1 : public QWidget
{
    Q_OBJECT

public:
    explicit UserControl1(QWidget *parent = nullptr); // initialisation steps, COM index restored
    ~UserControl1() override;                         // stores the selected COM index

    // Device address from the serial number field: a number below 256 is a
    // device ID (ProductBase + ID), anything else a serial number. A negative
    // number or one beyond 32 bits shows message 3015 and gives -1.
    std::int32_t GetSN();
    // Raises DataRestored; false when the host cancelled.
    bool REQ_DATARESTORED();
    // lbuf/lbuflen: the host's image view (tqimage::addressView(EEPROMBuf)).
    void SetBuf(std::span<std::uint8_t> buffer);

    QString filename() const { return mFilename; }
    void setFilename(const QString &name) { mFilename = name; }
    std::int32_t DataLen() const { return mDataLen; }
    void setDataLen(std::int32_t value) { mDataLen = value; }
    std::int32_t MinEEPROMSIZE() const { return mMinEEPROMSIZE; }
    void setMinEEPROMSIZE(std::int32_t value) { mMinEEPROMSIZE = value; }
    QString ProductCode() const { return mProductCode; }
    // Also sets ProductBase: the number after the first "-" times 256.
    void setProductCode(const QString &code);
    std::int32_t ProductBase() const { return mProductBase; }
    const m::tLink &link() const { return mLink; } // mLink, read-only

    // Open's steps after its dialog, for the file at `path`.
    void openFile(const QString &path);

    // The commands of the buttons, in their order.
    enum class Command { Open, Save, SaveAs, Clear, Test, Download, Upload, Exit, Help };
    // Runs a command exactly as a click on its button does.
    void runCommand(Command command);

    // Upload reads the written range back before the reset and, where the
    // device holds other bytes, stops without resetting it. Kept in the
    // settings store from one run to the next.
    bool verifyAfterUpload() const { return mVerifyAfterUpload; }
    void setVerifyAfterUpload(bool on);

    // The keyboard focus to the serial number / device ID field.
    void focusTarget();

    // The COM port number selected, and the entries of the list as it shows them.
    int comPort() const;
    QStringList comPortEntries() const;
    // A device found on the line becomes the target of the next transfer: its
    // port, its serial number in the field (its device ID when the serial
    // number is below 256, which the field would read as an ID), and its speed,
    // which the speed search then tries first. The strip shows the device.
    void useDevice(int port, const m::DeviceSummary &device);

    // Positions a download moved.
    struct Range
    {
        std::int32_t first = 0;
        std::int32_t last = 0;
    };
    // Download as its button runs it (the same checks, range event, transfer
    // window, device strip), but into `image` instead of the host's; the
    // host's image and controls are left alone. The positions moved, after a
    // successful transfer.
    std::optional<Range> downloadInto(tqimage::EEPROMImage &image);
    // What a successful Download does with its bytes, for those downloadInto
    // left in `image`: into the host's image, DataLen, DataChaned, the strip.
    void takeDownload(const tqimage::EEPROMImage &image, Range moved);

    // Where the image came from when a Download filled it: the COM port and
    // the device as the transfer found it. Open and Clear drop it.
    using Origin = m::DeviceOrigin;
    const std::optional<Origin> &origin() const { return mOrigin; }
    // Undo puts back the origin of the configuration it brings back.
    void setOrigin(const std::optional<Origin> &origin) { mOrigin = origin; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals: // connected directly; by-reference arguments are read back after the handler
    void HelpClick();
    void DataChaned();
    void DataRestored(bool &lCanceled);
    void DataClear();
    void SysExit();
    void EnumUploadSize(std::int32_t &lStart, std::int32_t &lStop);
    void EnumDownloadSize(std::int32_t &lStart, std::int32_t &lStop);
    // After Open, Save or Save as took `path` as the filename.
    void fileOpened(const QString &path);
    void fileSaved(const QString &path);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    using RangeEvent = void (UserControl1::*)(std::int32_t &, std::int32_t &);

    void createControls();
    void createButtons();
    void createStrip();
    // Open to Help, in the order of the strip and of their texts.
    std::array<QPushButton *, 9> commandButtons() const;
    void fillPortList();
    void setCaptions();
    void layoutStrip();
    void connectCommands();
    int wantedHeight() const;

    void cmdOpen_Click();
    void cmdSave_Click();
    void cmdSaveAs_Click();
    void cmdClear_Click();
    void cmdTest_Click();
    void cmdDownload_Click();
    void cmdUpload_Click();
    void cmdExit_Click();
    void cmdHelp_Click();

    // Shows message 2206 while the host has lent no buffer.
    bool hasBuffer();
    bool ReadTarget();
    void ShowDeviceInfo();
    void SaveFile(const QString &path);
    // One transfer in the transfer window, to or from `image`; after a 0
    // result gLink is copied back and the positions moved are returned.
    std::optional<Range> runTransfer(std::int16_t aMode, RangeEvent rangeEvent,
                                     std::span<std::uint8_t> image, TransferOptions options = {});
    void downloadSucceeded();
    void showDevice(const m::DeviceSummary &found);
    // After an Upload: the speed the device takes at its reset, marked beside
    // the speed it answered at when they differ, and tried first next time.
    void expectSpeedAfterReset(std::int32_t baud);
    void placeSpeedMark();
    void showMessage(int textId);
    QFileDialog &fileDialog();

    std::span<std::uint8_t> lbuf; // lbuflen is its size; empty until SetBuf
    QString mFilename;
    std::int32_t mDataLen = 0;
    std::int32_t mProductBase = 0;
    QString mProductCode;
    std::int32_t mMinEEPROMSIZE = 0;
    m::tLink mLink;
    bool mVerifyAfterUpload = false;
    std::optional<Origin> mOrigin;

    QPushButton *cmdOpen;
    QPushButton *cmdSave;
    QPushButton *cmdSaveAs;
    QPushButton *cmdClear;
    QPushButton *cmdTest;
    QPushButton *cmdDownload;
    QPushButton *cmdUpload;
    QPushButton *cmdExit;
    QPushButton *cmdHelp;
    QWidget *Picture1;
    std::array<QLabel *, 8> Label1{}; // indices 0, 1, 2, 3 and 7 are used
    QLineEdit *txtSN;
    PortComboBox *cbComm;
    QLabel *lbSpeed;
    QLabel *lbSpeedMark; // shown while the device's speed is about to change
    QLabel *lbSN;
    QLabel *lbID;
    QFileDialog *CommonDialog1 = nullptr; // made on first use
};
