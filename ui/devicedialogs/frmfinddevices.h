#pragma once

#include "busscan.h"

#include <QDialog>
#include <array>
#include <optional>
#include <vector>

class PortComboBox;
class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

// Finds the devices on a line: the bus scan tq540ctl scan runs, over a COM
// port, a range of device IDs and the speeds chosen, with the request being
// asked and the least time left, and a table of the devices that answered.
// The scan runs on the UI thread and lets events run at every wait, so the
// dialog repaints and moves; Stop, Escape or closing the dialog end it within
// the exchange under way, and the port is closed. The dialog is modal: no
// transfer can start while it scans.
class frmFindDevices : public QDialog, private busscan::ScanObserver
{
    Q_OBJECT

public:
    // The port list shows `portEntries` (the toolbar's, 1 to 16 with their
    // names) and starts at `port`.
    frmFindDevices(int port, const QStringList &portEntries, QWidget *parent = nullptr);
    ~frmFindDevices() override;

    // The device chosen with Use or a double-click, and the port it answered on.
    struct Choice
    {
        int port = 0;
        m::DeviceSummary device;
    };
    // Set once the dialog has been accepted.
    const std::optional<Choice> &choice() const { return mChoice; }

    bool scanning() const { return mScanning; }

public slots:
    void reject() override;

private:
    void createControls(const QStringList &portEntries);
    void layOut();
    void connectControls();
    void setTexts();

    std::vector<int> chosenIds() const;
    std::vector<std::int32_t> chosenSpeeds() const;
    void showEstimate();
    void showEnd(std::int32_t result);
    void enableControls();

    void cmdStart_Click();
    void cmdStop_Click();
    void useSelected();
    // While a scan runs, closing waits for it to stop first.
    void closeAfterScan(bool accepted);

    void probing(std::int32_t baud, int id) override;
    void found(const busscan::FoundDevice &device) override;

    PortComboBox *cbPort;
    QSpinBox *txtFirstId;
    QSpinBox *txtLastId;
    std::array<QCheckBox *, m::SEARCH_SPEEDS.size()> ckSpeeds{};
    QPushButton *cmdStart;
    QPushButton *cmdStop;
    QProgressBar *pbScan;
    QLabel *lbProgress;
    QTableWidget *tblFound;
    QPushButton *cmdUse;
    QPushButton *cmdClose;
    std::array<QLabel *, 4> captions{}; // port, IDs, "to", speeds

    m::tLink mLink;
    std::vector<busscan::FoundDevice> mFound;
    std::optional<busscan::ScanProgress> mProgress;
    int mScanPort = 0;
    bool mScanning = false;
    std::optional<bool> mCloseWhenStopped; // accepted or not
    std::optional<Choice> mChoice;
};
