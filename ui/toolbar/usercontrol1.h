#pragma once

#include "m.h" // m::tLink

#include <QWidget>
#include <array>
#include <cstdint>
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

    bool ReadTarget();
    void ShowDeviceInfo();
    void SaveFile(const QString &path);
    // One transfer in the transfer window; onSuccess runs after a 0 result,
    // once gLink has been copied back.
    void runTransfer(std::int16_t aMode, RangeEvent rangeEvent, void (UserControl1::*onSuccess)());
    void downloadSucceeded();
    void showMessage(int textId);
    QFileDialog &fileDialog();

    std::span<std::uint8_t> lbuf; // lbuflen is its size; empty until SetBuf
    QString mFilename;
    std::int32_t mDataLen = 0;
    std::int32_t mProductBase = 0;
    QString mProductCode;
    std::int32_t mMinEEPROMSIZE = 0;
    m::tLink mLink;

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
    QLabel *lbSN;
    QLabel *lbID;
    QFileDialog *CommonDialog1 = nullptr; // made on first use
};
