#pragma once

#include "cgridedit.h"
#include "virtualkeys.h"

#include <QWidget>
#include <cstdint>
#include <memory>

class CheckCellFilter;
class ConfigKeeper;
class RecentFiles;
class RecoveryOffer;
class UndoKeys;
class EditBoxKeeper;
class GridControl;
class HelpKeyFilter;
class MainMenu;
class TraceRecorder;
class QLabel;
class QLineEdit;
class SettingsRow;
class SheetOutput;
class StoredValueMarks;
class UserControl1;
class WindowCodecControls;
class ctrlSBar;

// The configuration window: the menu bar, and under it the designed area:
// the device toolbar on top, the device settings row, the input grid fg1 and
// the output grid fg2 side by side, and the status bar. It encodes its
// controls into the shared EEPROM image and decodes the image back when the
// toolbar asks; the toolbar does the file, device and exit commands, which
// the menu runs through it. The menu's device tools (find the devices on a
// line, compare with a device, record a trace) are the window's. It wires
// what keeps the user's work: the undo history and the recovery file
// (ConfigKeeper), the offer of what earlier windows left unsaved
// (RecoveryOffer) and File > Recent files (RecentFiles). Controls carry their
// names as objectName().
//
// The designed area keeps every position and size of the design relative to
// its own top-left corner; the window is as much taller as the menu bar is
// high, and its resize rule takes the height less the menu bar.
class frmTQ540_2 : public QWidget
{
    Q_OBJECT

public:
    explicit frmTQ540_2(QWidget *parent = nullptr);
    ~frmTQ540_2() override;

    // Controls and grids into EEPROMBuf, what is being typed included.
    void EEPROM_ENCODE();
    // EEPROMBuf into the controls and grids.
    void EEPROM_DECODE();
    // Binds the grid editors, lays out and captions the settings row, and
    // registers the grid columns.
    void Ini();

    // Marks the window as working with the simulated device.
    void setSimulating(bool simulating);
    // Records the link's trace to `path` from the start, as Record trace does.
    void startTrace(const QString &path);

    // The window's fixed texts.
    static inline const QString titleWithoutFile = QStringLiteral("Device Config");
    static inline const QString copyRightNotice =
        QStringLiteral("(c) Corvant. All rights reserved.");
    static inline const QString simulatingSuffix = QStringLiteral(" - simulated device");

protected:
    // Stores the window's size and place for the next run.
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // Once first shown, the window offers what windows before it left unsaved.
    // Not at activation: a desktop may leave a new window inactive until it
    // is clicked, and the offer must not wait for that.
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void createGrids();
    void createEditBoxes();
    void chainTabOrder();
    void placeDesignLayout();
    void connectToolbar();
    void connectMenu();
    void createKeeping();
    void connectKeeping();
    void Form_Load();
    void fillRowNumbers();
    void resizeGrids();
    void restoreStoredGeometry();
    int menuHeight() const;
    QSize smallestSize() const;

    // The menu's device tools.
    void findDevices();
    void compareWithDevice();
    // The configuration sheet of what the window holds.
    QString configurationSheet();

    // Undo, Redo and the recent files; what was typed into an edit box and
    // not yet committed is undone first.
    void undoChosen();
    void redoChosen();
    bool hasPendingEdit() const;
    void updateEditActions();
    void openRecent(const QString &path);
    // Open, Save or Save as took `path` as the file named in the title.
    void fileTaken(const QString &path);

    void UpdateTitle();
    void setCaption(const QString &caption);
    void clearGrid(GridControl &grid, cGridEdit &editor);

    // Answers to the toolbar's events.
    void mTBar_HelpClick();
    void mTBar_DataChaned();
    void mTBar_DataRestored(bool &lCanceled);
    void mTBar_DataClear();
    void mTBar_SysExit();
    void mTBar_EnumUploadSize(std::int32_t &lStart, std::int32_t &lStop);
    void mTBar_EnumDownloadSize(std::int32_t &lStart, std::int32_t &lStop);

    MainMenu *mMenu = nullptr;
    QWidget *mClientArea = nullptr; // the designed area, under the menu bar
    UserControl1 *mTBar = nullptr;
    std::unique_ptr<SettingsRow> mSettings;
    QLabel *mInputsTitle = nullptr;  // Label1(0)
    QLabel *mOutputsTitle = nullptr; // Label1(2)
    GridControl *fg1 = nullptr;
    GridControl *fg2 = nullptr;
    QLineEdit *txt_gd = nullptr;
    QLineEdit *txtcheckbox = nullptr;
    QLineEdit *Text1 = nullptr;
    QLineEdit *txtCheck2 = nullptr;
    ctrlSBar *mSBar1 = nullptr;

    cGridEdit mInputsEditor;
    cGridEdit mOutputsEditor;
    KeyForwarder mInputsKeys{mInputsEditor};
    KeyForwarder mOutputsKeys{mOutputsEditor};
    std::unique_ptr<EditBoxKeeper> mInputsBoxes;
    std::unique_ptr<EditBoxKeeper> mOutputsBoxes;
    CheckCellFilter *mCheckCells = nullptr;
    HelpKeyFilter *mHelpKey = nullptr;
    std::unique_ptr<WindowCodecControls> mCodec;
    TraceRecorder *mTrace = nullptr;
    StoredValueMarks *mMarks = nullptr;
    SheetOutput *mSheet = nullptr;
    ConfigKeeper *mKeeper = nullptr;
    RecentFiles *mRecent = nullptr;
    RecoveryOffer *mOffer = nullptr;
    UndoKeys *mUndoKeys = nullptr;
    bool mOffered = false;

    QString mCaption; // without the unsaved mark and the suffix
    QString mCaptionSuffix;
};
