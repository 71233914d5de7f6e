#include "frmtq540_2.h"

#include "aboutbox.h"
#include "checkcellfilter.h"
#include "codec.h"
#include "configdiff.h"
#include "configkeeper.h"
#include "ctrlsbar.h"
#include "editboxkeeper.h"
#include "eepromimage.h"
#include "frmcompare.h"
#include "frmfinddevices.h"
#include "gridcontrol.h"
#include "helpfile.h"
#include "helpkey.h"
#include "m_cvlibex.h"
#include "mainmenu.h"
#include "msgbox.h"
#include "recentfiles.h"
#include "recoveryoffer.h"
#include "resdll.h"
#include "settingsrow.h"
#include "settingsstore.h"
#include "sheet.h"
#include "sheetoutput.h"
#include "storedvaluemarks.h"
#include "target.h"
#include "tolerant.h"
#include "tracerecorder.h"
#include "twips.h"
#include "twipslayout.h"
#include "undokeys.h"
#include "usercontrol1.h"
#include "windowcodeccontrols.h"

#include <algorithm>

#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QResizeEvent>
#include <span>

namespace {

// Design geometry in twips.
constexpr double clientWidth = 9645;
constexpr double clientHeight = 6465;
constexpr double toolbarHeight = 735;
constexpr double titleTop = 1215;
constexpr double inputsTitleLeft = 60;
constexpr double outputsTitleLeft = 5505;
constexpr double titleHeight = 195;
constexpr double gridTop = 1425;
constexpr double gridHeight = 4485;
constexpr double inputsLeft = -15;
constexpr double inputsWidth = 5460;
constexpr double outputsLeft = 5460;
constexpr double outputsWidth = 3405;
constexpr double editBoxHeight = 285;
// What the window keeps free beside and under the grids, in its outer size.
constexpr double rightMargin = 105;
constexpr double bottomMargin = 420;

// String IDs.
constexpr int idCaption = 2000;
constexpr int idVersion = 1600;
constexpr int idInputsTitle = 2304;
constexpr int idOutputsTitle = 2305;
constexpr int idRecentMissing = 2504;

// What the toolbar is told and answered.
constexpr std::int32_t minEepromSize = 1024;

enum class Box { None, Text, Check };

struct ColumnSetup
{
    int col;
    int headerId;
    double width;
    Box box;
    int maxLength;
};

constexpr ColumnSetup inputColumns[] = {
    {0, 2306, 700, Box::None, 10}, {1, 2307, 1200, Box::Text, 1},  {2, 2308, 1000, Box::Check, 1},
    {3, 2309, 1000, Box::Text, 1}, {4, 2310, 1000, Box::Check, 1},
};
constexpr ColumnSetup outputColumns[] = {
    {0, 2306, 700, Box::None, 10},
    {1, 2311, 1200, Box::Text, 1},
    {2, 2308, 1000, Box::Check, 1},
};

void registerColumns(cGridEdit &editor, std::span<const ColumnSetup> columns, QLineEdit *textBox,
                     QLineEdit *checkBox)
{
    for (const ColumnSetup &column : columns) {
        QLineEdit *box = column.box == Box::Text    ? textBox
                         : column.box == Box::Check ? checkBox
                                                    : nullptr;
        tolerantStep([&] {
            editor.EditBox_Ini(column.col, box, column.maxLength, gResDll.GetStr(column.headerId),
                               column.width, GridControl::AlignCenterCenter);
        });
    }
}

// Applies the editor's refresh: commit the box and lay it on the current cell.
void refresh(cGridEdit &editor)
{
    int keyCode = vk::None;
    tolerantStep([&] { editor.KeyPress(keyCode, 0); });
}

QLabel *makeTitle(QWidget &window, const char *name, double left)
{
    auto *label = new QLabel(&window);
    label->setObjectName(QString::fromLatin1(name));
    twips::place(*label, left, titleTop, 0, titleHeight);
    return label;
}

QLineEdit *makeEditBox(QWidget &window, const char *name)
{
    auto *box = new QLineEdit(&window);
    box->setObjectName(QString::fromLatin1(name));
    box->setAlignment(Qt::AlignCenter);
    box->resize(box->width(), twips::toPixels(editBoxHeight));
    box->hide();
    return box;
}

// The status bar keeps its own height along the window's bottom edge.
void dockAtBottom(QWidget &bar, const QWidget &window)
{
    bar.setGeometry(0, window.height() - bar.height(), window.width(), bar.height());
}

} // namespace

frmTQ540_2::frmTQ540_2(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmTQ540_2"));
    createControls();
    placeDesignLayout();
    connectToolbar();
    connectMenu();
    Form_Load();
    createKeeping();
    connectKeeping();
    // Captions wider than the design's font would hide the end of the
    // toolbar's strip (the device ID): start wide enough to show it all.
    resize(std::max(width(), mTBar->sizeHint().width()), height());
    setMinimumSize(smallestSize());
    restoreStoredGeometry();
    mTBar->focusTarget(); // the first thing to type: which device
}

// The marks go first: the controls they read go before the widgets that hide
// their children.
frmTQ540_2::~frmTQ540_2()
{
    delete mMarks;
}

// --- construction ---------------------------------------------------------------

void frmTQ540_2::createControls()
{
    mClientArea = new QWidget(this);
    mClientArea->setObjectName(QStringLiteral("clientArea"));
    mTBar = new UserControl1(mClientArea);
    mTBar->setObjectName(QStringLiteral("mTBar"));
    mMenu = new MainMenu(*this, *mTBar);
    mSettings = std::make_unique<SettingsRow>(*mClientArea);
    mInputsTitle = makeTitle(*mClientArea, "Label1_0", inputsTitleLeft);
    mOutputsTitle = makeTitle(*mClientArea, "Label1_2", outputsTitleLeft);
    createGrids();
    createEditBoxes();
    mSBar1 = new ctrlSBar(mClientArea);
    mSBar1->setObjectName(QStringLiteral("mSBar1"));
    mCodec = std::make_unique<WindowCodecControls>(
        WindowCodecControls::GridWithEditor{*fg1, mInputsEditor},
        WindowCodecControls::GridWithEditor{*fg2, mOutputsEditor}, mSettings->cbBaud(),
        mSettings->txtTimeout(), mSettings->ckAlarmSystem());
    mMarks = new StoredValueMarks(*mCodec, {*fg1, tqimage::Grid::Inputs, {txt_gd, txtcheckbox}},
                                  {*fg2, tqimage::Grid::Outputs, {Text1, txtCheck2}},
                                  mSettings->txtTimeout(), *mSBar1, this);
    mHelpKey = new HelpKeyFilter(*this);
    mTrace = new TraceRecorder(*this, *mSBar1, mMenu->recordTrace());
    mSheet = new SheetOutput(*this, *mSBar1, [this] { return configurationSheet(); });
}

void frmTQ540_2::createGrids()
{
    fg1 = new GridControl(mClientArea);
    fg2 = new GridControl(mClientArea);
    fg1->setObjectName(QStringLiteral("fg1"));
    fg2->setObjectName(QStringLiteral("fg2"));
    fg1->setRows(tqimage::grid::rows);
    fg1->setCols(tqimage::grid::inputCols);
    fg2->setRows(tqimage::grid::rows);
    fg2->setCols(tqimage::grid::outputCols);
}

// Created after the grids, so they lie over them.
void frmTQ540_2::createEditBoxes()
{
    txt_gd = makeEditBox(*mClientArea, "txt_gd");
    txtcheckbox = makeEditBox(*mClientArea, "txtcheckbox");
    Text1 = makeEditBox(*mClientArea, "Text1");
    txtCheck2 = makeEditBox(*mClientArea, "txtCheck2");
    mCheckCells = new CheckCellFilter(this);
    mCheckCells->watch(*txtcheckbox);
    mCheckCells->watch(*txtCheck2);
    mInputsKeys.watch(*txt_gd);
    mInputsKeys.watch(*txtcheckbox);
    mOutputsKeys.watch(*Text1);
    mOutputsKeys.watch(*txtCheck2);
    mInputsBoxes = std::make_unique<EditBoxKeeper>(*fg1);
    mInputsBoxes->watch(*txt_gd);
    mInputsBoxes->watch(*txtcheckbox);
    mOutputsBoxes = std::make_unique<EditBoxKeeper>(*fg2);
    mOutputsBoxes->watch(*Text1);
    mOutputsBoxes->watch(*txtCheck2);
    chainTabOrder();
}

// Tab runs from the settings row to each grid and on to its edit boxes; the
// grid itself is a stop only while its boxes are hidden (EditBoxKeeper).
void frmTQ540_2::chainTabOrder()
{
    QWidget *const chain[] = {
        &mSettings->ckAlarmSystem(), fg1, txt_gd, txtcheckbox, fg2, Text1, txtCheck2};
    for (std::size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

// The menu bar keeps its own height over the designed area.
void frmTQ540_2::placeDesignLayout()
{
    mMenu->bar().setFixedHeight(mMenu->bar().sizeHint().height());
    const QSize client(twips::toPixels(clientWidth), twips::toPixels(clientHeight));
    mMenu->bar().setGeometry(0, 0, client.width(), menuHeight());
    mClientArea->setGeometry(QRect(QPoint(0, menuHeight()), client));
    resize(client.width(), client.height() + menuHeight());
    mTBar->setGeometry(0, 0, client.width(), twips::toPixels(toolbarHeight));
    twips::place(*fg1, inputsLeft, gridTop, inputsWidth, gridHeight);
    twips::place(*fg2, outputsLeft, gridTop, outputsWidth, gridHeight);
    dockAtBottom(*mSBar1, *mClientArea);
}

// The smallest size at which nothing overlaps or is cut off: every toolbar
// button and the whole settings row across; down, the menu bar, the rows
// above the grids, the grids' header and first row, the room the resize rule
// keeps under the grids, and the status bar.
QSize frmTQ540_2::smallestSize() const
{
    const int settingsEnd =
        mSettings->ckAlarmSystem().geometry().right() + 1 + twips::toPixels(rightMargin);
    const double gridRows = fg1->RowHeight(0) + fg1->RowHeight(1) + 2 * GridControl::frameTwips;
    return {std::max(mTBar->minimumSizeHint().width(), settingsEnd),
            menuHeight() + twips::toPixels(gridTop + gridRows + bottomMargin) + mSBar1->height()};
}

int frmTQ540_2::menuHeight() const
{
    return mMenu->bar().height();
}

void frmTQ540_2::connectToolbar()
{
    const auto direct = Qt::DirectConnection;
    connect(mTBar, &UserControl1::HelpClick, this, &frmTQ540_2::mTBar_HelpClick, direct);
    connect(mTBar, &UserControl1::DataChaned, this, &frmTQ540_2::mTBar_DataChaned, direct);
    connect(mTBar, &UserControl1::DataRestored, this, &frmTQ540_2::mTBar_DataRestored, direct);
    connect(mTBar, &UserControl1::DataClear, this, &frmTQ540_2::mTBar_DataClear, direct);
    connect(mTBar, &UserControl1::SysExit, this, &frmTQ540_2::mTBar_SysExit, direct);
    connect(mTBar, &UserControl1::EnumUploadSize, this, &frmTQ540_2::mTBar_EnumUploadSize, direct);
    connect(mTBar, &UserControl1::EnumDownloadSize, this, &frmTQ540_2::mTBar_EnumDownloadSize,
            direct);
}

void frmTQ540_2::connectMenu()
{
    connect(mMenu, &MainMenu::exportSheetChosen, mSheet, &SheetOutput::exportPdf);
    connect(mMenu, &MainMenu::printChosen, mSheet, &SheetOutput::print);
    connect(mMenu, &MainMenu::findDevicesChosen, this, &frmTQ540_2::findDevices);
    connect(mMenu, &MainMenu::compareChosen, this, &frmTQ540_2::compareWithDevice);
    connect(mMenu, &MainMenu::recordTraceChosen, mTrace, &TraceRecorder::toggle);
    connect(mMenu, &MainMenu::aboutChosen, this, [this] { aboutbox::show(this); });
}

// After loading: the configuration as loaded is the first state, saved.
void frmTQ540_2::createKeeping()
{
    mKeeper = new ConfigKeeper({*mCodec, *mTBar, [this] { return mCaption; },
                                [this](const QString &caption) { setCaption(caption); }},
                               this);
    mKeeper->watch(*fg1);
    mKeeper->watch(*fg2);
    mKeeper->watch(*mSettings);
    mRecent = new RecentFiles(mMenu->recentFiles());
    mOffer =
        new RecoveryOffer(*this, [this](const ConfigState &state) { mKeeper->restore(state); });
    mUndoKeys = new UndoKeys(this);
    for (QLineEdit *box : {txt_gd, txtcheckbox, Text1, txtCheck2, &mSettings->txtTimeout()})
        mUndoKeys->watch(*box);
    mUndoKeys->watchOwnFirst(*mTBar->findChild<QLineEdit *>(QStringLiteral("txtSN")));
}

void frmTQ540_2::connectKeeping()
{
    connect(mMenu, &MainMenu::undoChosen, this, &frmTQ540_2::undoChosen);
    connect(mMenu, &MainMenu::redoChosen, this, &frmTQ540_2::redoChosen);
    connect(mKeeper, &ConfigKeeper::changed, this, [this] {
        setWindowModified(!mKeeper->isSaved());
        updateEditActions();
    });
    for (QLineEdit *box : {txt_gd, txtcheckbox, Text1, txtCheck2})
        connect(box, &QLineEdit::textChanged, this, &frmTQ540_2::updateEditActions);
    connect(mTBar, &UserControl1::fileOpened, this, &frmTQ540_2::fileTaken);
    connect(mTBar, &UserControl1::fileSaved, this, &frmTQ540_2::fileTaken);
    connect(mRecent, &RecentFiles::chosen, this, &frmTQ540_2::openRecent);
    updateEditActions();
}

// --- loading ----------------------------------------------------------------------

void frmTQ540_2::Form_Load()
{
    m_cvlibex::applyDefaultGuiFontToControls(this);
    mTBar->SetBuf(tqimage::addressView(tqimage::EEPROMBuf));
    mTBar->setProductCode(m::TQ540_PRODUCT_CODE);
    mSBar1->setCopyRight(copyRightNotice);
    setCaption(gResDll.GetStr(idCaption) + u'[' + mTBar->ProductCode() + u']');
    mSBar1->setVersion(gResDll.GetStr(idVersion) + u' ' + QStringLiteral(TQ_VERSION));
    fillRowNumbers();
    Ini();
}

void frmTQ540_2::fillRowNumbers()
{
    for (GridControl *grid : {fg1, fg2}) {
        for (int row = 1; row < grid->Rows(); ++row)
            tolerantStep([&] { grid->setTextMatrix(row, 0, QString::number(row)); });
    }
}

void frmTQ540_2::Ini()
{
    mInputsEditor.setMGrid(fg1);
    mOutputsEditor.setMGrid(fg2);
    fg1->setRowHeightMin(qRound(twips::fromPixels(txt_gd->height())));
    mSettings->layOut();
    mInputsTitle->setText(gResDll.GetStr(idInputsTitle));
    mInputsTitle->adjustSize();
    mOutputsTitle->setText(gResDll.GetStr(idOutputsTitle));
    mOutputsTitle->adjustSize();
    mSettings->fillBaudList();
    registerColumns(mInputsEditor, inputColumns, txt_gd, txtcheckbox);
    registerColumns(mOutputsEditor, outputColumns, Text1, txtCheck2);
    refresh(mInputsEditor);
    refresh(mOutputsEditor);
}

// --- sizing -------------------------------------------------------------------------

void frmTQ540_2::closeEvent(QCloseEvent *event)
{
    settingsstore::setWindowGeometry(saveGeometry());
    settingsstore::setWindowMenuHeight(menuHeight());
    QWidget::closeEvent(event);
}

// A geometry stored under a menu bar of another height (none, before the
// window had one) keeps the designed area's size: the window's height
// changes by the difference.
void frmTQ540_2::restoreStoredGeometry()
{
    if (!restoreGeometry(settingsstore::windowGeometry()))
        return; // none stored: the size made above
    const int grown = menuHeight() - settingsstore::windowMenuHeight();
    if (grown != 0 && !isMaximized() && !isFullScreen())
        resize(width(), height() + grown);
}

void frmTQ540_2::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!std::exchange(mOffered, true))
        QMetaObject::invokeMethod(mOffer, &RecoveryOffer::start, Qt::QueuedConnection);
}

void frmTQ540_2::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    mMenu->bar().resize(width(), menuHeight());
    mClientArea->setGeometry(0, menuHeight(), width(), std::max(height() - menuHeight(), 0));
    mTBar->resize(width(), mTBar->height());
    dockAtBottom(*mSBar1, *mClientArea);
    resizeGrids();
}

// The rules work on the window's outer size less the menu bar (the designed
// window's outer size); a size that would come out negative leaves that grid
// as it was.
void frmTQ540_2::resizeGrids()
{
    const QSize outer = size() + frameGeometry().size() - geometry().size();
    const double outerWidth = twips::fromPixels(outer.width());
    const double outerHeight = twips::fromPixels(outer.height() - menuHeight());
    const double outputsWidth = outerWidth - rightMargin - fg2->Left();
    if (outputsWidth >= 0)
        fg2->setWidth(outputsWidth);
    const double statusHeight = twips::fromPixels(mSBar1->height());
    // A frame higher than the design's would take the grids under the status
    // bar: they end at its top at the most.
    const double statusTop = twips::fromPixels(mSBar1->y());
    const double gridsHeight =
        std::min(outerHeight - fg1->Top() - statusHeight - bottomMargin, statusTop - fg1->Top());
    if (gridsHeight >= 0)
        fg1->setHeight(gridsHeight);
    fg2->setHeight(fg1->Height());
}

// --- title, clearing ----------------------------------------------------------------

// The platform's unsaved mark stands at "[*]"; a "[*]" of the caption's own
// is doubled, which shows it as it is.
void frmTQ540_2::setCaption(const QString &caption)
{
    mCaption = caption;
    QString shown = mCaption;
    shown.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(shown + QStringLiteral("[*]") + mCaptionSuffix);
}

void frmTQ540_2::setSimulating(bool simulating)
{
    mCaptionSuffix = simulating ? simulatingSuffix : QString();
    setCaption(mCaption);
}

void frmTQ540_2::startTrace(const QString &path)
{
    mTrace->start(path);
}

void frmTQ540_2::UpdateTitle()
{
    const QString filename = mTBar->filename();
    if (filename.trimmed().isEmpty())
        setCaption(titleWithoutFile);
    else
        setCaption(titleWithoutFile + u'[' + filename + u']');
}

void frmTQ540_2::clearGrid(GridControl &grid, cGridEdit &editor)
{
    grid.setRedraw(false);
    for (int row = 1; row < grid.Rows(); ++row) {
        for (int col = 1; col < grid.Cols(); ++col)
            grid.setTextMatrix(row, col, QString());
    }
    editor.SetPosition();
    grid.setRedraw(true);
    grid.update();
}

// --- undo, redo, recent files -----------------------------------------------------------

void frmTQ540_2::undoChosen()
{
    if (!hasPendingEdit()) {
        mKeeper->undo();
        return;
    }
    mInputsEditor.dropPendingEdit();
    mOutputsEditor.dropPendingEdit();
}

void frmTQ540_2::redoChosen()
{
    mKeeper->redo();
}

bool frmTQ540_2::hasPendingEdit() const
{
    return mInputsEditor.hasPendingEdit() || mOutputsEditor.hasPendingEdit();
}

void frmTQ540_2::updateEditActions()
{
    mMenu->undo().setEnabled(mKeeper->canUndo() || hasPendingEdit());
    mMenu->redo().setEnabled(mKeeper->canRedo());
}

// Through Open's own steps; a file that is gone is said so and leaves the list.
void frmTQ540_2::openRecent(const QString &path)
{
    if (QFileInfo::exists(path)) {
        mTBar->openFile(path);
        return;
    }
    msgbox::show(this,
                 textOr(idRecentMissing,
                        QStringLiteral("%1 no longer exists. It is taken off the recent files."))
                     .arg(QDir::toNativeSeparators(path)),
                 msgbox::Icon::Exclamation);
    mRecent->remove(path);
}

void frmTQ540_2::fileTaken(const QString &path)
{
    UpdateTitle();
    mRecent->add(path);
    mKeeper->saved();
}

// --- codec ----------------------------------------------------------------------------

void frmTQ540_2::EEPROM_ENCODE()
{
    tqimage::EEPROM_ENCODE(*mCodec);
}

void frmTQ540_2::EEPROM_DECODE()
{
    tqimage::EEPROM_DECODE(*mCodec);
}

// --- the toolbar's events -------------------------------------------------------------

void frmTQ540_2::mTBar_HelpClick()
{
    helpfile::openHelp(this);
}

void frmTQ540_2::mTBar_DataChaned()
{
    mKeeper->step([this] { EEPROM_DECODE(); });
}

void frmTQ540_2::mTBar_DataRestored(bool &)
{
    EEPROM_ENCODE();
    mTBar->setMinEEPROMSIZE(minEepromSize);
}

// A step, and saved: cleared on purpose, the window has nothing unsaved.
void frmTQ540_2::mTBar_DataClear()
{
    mKeeper->step([this] {
        clearGrid(*fg1, mInputsEditor);
        clearGrid(*fg2, mOutputsEditor);
        mSettings->reset();
        UpdateTitle();
    });
    mKeeper->saved();
}

void frmTQ540_2::mTBar_SysExit()
{
    close();
}

void frmTQ540_2::mTBar_EnumUploadSize(std::int32_t &, std::int32_t &lStop)
{
    lStop = tqimage::layout::transferStop;
}

void frmTQ540_2::mTBar_EnumDownloadSize(std::int32_t &, std::int32_t &lStop)
{
    lStop = tqimage::layout::transferStop;
}

// --- the menu's device tools ----------------------------------------------------------

// The chosen device becomes the toolbar's target.
void frmTQ540_2::findDevices()
{
    frmFindDevices dialog(mTBar->comPort(), mTBar->comPortEntries(), this);
    if (dialog.exec() == QDialog::Accepted && dialog.choice())
        mTBar->useDevice(dialog.choice()->port, dialog.choice()->device);
}

// The window's configuration as Save writes it (encoded into a cleared image,
// what is being typed included) against the device's, downloaded into an image
// of its own; loading it afterwards needs no second transfer.
void frmTQ540_2::compareWithDevice()
{
    auto shown = std::make_unique<tqimage::EEPROMImage>();
    auto device = std::make_unique<tqimage::EEPROMImage>();
    shown->fill(0);
    device->fill(0);
    tqimage::EEPROM_ENCODE(*mCodec, *shown);
    const std::optional<UserControl1::Range> moved = mTBar->downloadInto(*device);
    if (!moved)
        return; // the transfer window has said why
    frmCompare dialog(configdiff::differences(*shown, *device, configdiff::windowLabels()), this);
    if (dialog.exec() == QDialog::Accepted)
        mTBar->takeDownload(*device, *moved);
}

// What an Upload would write (the image with the window's controls encoded
// into it, what is being typed included), the file named in the title, and
// the device when a Download brought the configuration.
QString frmTQ540_2::configurationSheet()
{
    auto image = std::make_unique<tqimage::EEPROMImage>(tqimage::EEPROMBuf);
    tqimage::EEPROM_ENCODE(*mCodec, *image);
    sheet::Source source{QDir::toNativeSeparators(mTBar->filename()),
                         {},
                         QDate::currentDate().toString(Qt::ISODate)};
    if (const auto &origin = mTBar->origin())
        source.device =
            sheet::Device{QString::number(origin->port), origin->device.serialNumber,
                          origin->device.deviceId, origin->device.deviceText, origin->device.baud};
    return sheet::html(*image, source);
}
