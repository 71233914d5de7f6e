#include "mainmenu.h"

#include "resdll.h"
#include "usercontrol1.h"

#include <QMenuBar>

namespace {

// Language texts of the menus; each item's English is beside its use.
constexpr int TEXT_FILE = 1700;
constexpr int TEXT_DEVICE = 1710;
constexpr int TEXT_HELP = 1720;
constexpr int TEXT_BAR_NAME = 1736;
constexpr int TEXT_EDIT = 2500;
constexpr int TEXT_RECENT_FILES = 2503;

using Command = UserControl1::Command;

// An item that runs a toolbar command, as a click on its button does.
void runs(QAction *item, UserControl1 &toolbar, Command command)
{
    QObject::connect(item, &QAction::triggered, &toolbar,
                     [&toolbar, command] { toolbar.runCommand(command); });
}

// A menu's title without its access key's mark.
QString accessibleName(QString title)
{
    return title.remove(u'&');
}

} // namespace

MainMenu::MainMenu(QWidget &window, UserControl1 &toolbar)
    : QObject(&window), mBar(new QMenuBar(&window))
{
    mBar->setObjectName(QStringLiteral("mnuBar"));
    // The designed area lies under the bar, in the window, whatever the desktop.
    mBar->setNativeMenuBar(false);
    mBar->setAccessibleName(textOr(TEXT_BAR_NAME, QStringLiteral("Menu bar")));
    createFileMenu(toolbar);
    createEditMenu();
    createDeviceMenu(toolbar);
    createHelpMenu(toolbar);
}

QMenu *MainMenu::addMenu(const char *name, int textId, const char *english)
{
    QMenu *menu = mBar->addMenu(textOr(textId, QString::fromLatin1(english)));
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    menu->setAccessibleName(accessibleName(menu->title()));
    return menu;
}

QAction *MainMenu::addItem(QMenu *menu, const char *name, int textId, const char *english)
{
    QAction *item = menu->addAction(textOr(textId, QString::fromLatin1(english)));
    item->setObjectName(QLatin1String(name));
    return item;
}

void MainMenu::createFileMenu(UserControl1 &toolbar)
{
    QMenu *file = addMenu("mnuFile", TEXT_FILE, "&File");
    QAction *open = addItem(file, "mnuFileOpen", 1701, "&Open...");
    QAction *save = addItem(file, "mnuFileSave", 1702, "&Save");
    QAction *saveAs = addItem(file, "mnuFileSaveAs", 1703, "Save &as...");
    addSheetItems(file);
    QAction *clear = addItem(file, "mnuFileClear", 1704, "&Clear");
    file->addSeparator();
    mRecentFiles = file->addMenu(textOr(TEXT_RECENT_FILES, QStringLiteral("Recent &files")));
    mRecentFiles->setObjectName(QStringLiteral("mnuFileRecent"));
    mRecentFiles->menuAction()->setObjectName(QStringLiteral("mnuFileRecent"));
    file->addSeparator();
    QAction *exit = addItem(file, "mnuFileExit", 1705, "E&xit");
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    saveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    runs(open, toolbar, Command::Open);
    runs(save, toolbar, Command::Save);
    runs(saveAs, toolbar, Command::SaveAs);
    runs(clear, toolbar, Command::Clear);
    runs(exit, toolbar, Command::Exit);
}

// The configuration sheet, between the saving and the clearing.
void MainMenu::addSheetItems(QMenu *file)
{
    file->addSeparator();
    connect(addItem(file, "mnuFileExportSheet", 2550, "&Export sheet..."), &QAction::triggered,
            this, &MainMenu::exportSheetChosen);
    QAction *print = addItem(file, "mnuFilePrint", 2551, "&Print...");
    print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(print, &QAction::triggered, this, &MainMenu::printChosen);
    file->addSeparator();
}

void MainMenu::createEditMenu()
{
    QMenu *edit = addMenu("mnuEdit", TEXT_EDIT, "&Edit");
    mUndo = addItem(edit, "mnuEditUndo", 2501, "&Undo");
    mRedo = addItem(edit, "mnuEditRedo", 2502, "&Redo");
    mUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    mRedo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    connect(mUndo, &QAction::triggered, this, &MainMenu::undoChosen);
    connect(mRedo, &QAction::triggered, this, &MainMenu::redoChosen);
}

void MainMenu::createDeviceMenu(UserControl1 &toolbar)
{
    QMenu *device = addMenu("mnuDevice", TEXT_DEVICE, "&Device");
    runs(addItem(device, "mnuDeviceTest", 1711, "&Test"), toolbar, Command::Test);
    runs(addItem(device, "mnuDeviceDownload", 1712, "&Download"), toolbar, Command::Download);
    runs(addItem(device, "mnuDeviceUpload", 1713, "&Upload"), toolbar, Command::Upload);
    QAction *verify = addItem(device, "mnuDeviceVerify", 1714, "&Verify after upload");
    verify->setCheckable(true);
    verify->setChecked(toolbar.verifyAfterUpload());
    connect(verify, &QAction::toggled, &toolbar, &UserControl1::setVerifyAfterUpload);
    device->addSeparator();
    QAction *find = addItem(device, "mnuDeviceFind", 1715, "&Find devices...");
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(find, &QAction::triggered, this, &MainMenu::findDevicesChosen);
    connect(addItem(device, "mnuDeviceCompare", 1716, "&Compare with device..."),
            &QAction::triggered, this, &MainMenu::compareChosen);
    mRecordTrace = addItem(device, "mnuDeviceTrace", 1717, "&Record trace...");
    mRecordTrace->setCheckable(true);
    connect(mRecordTrace, &QAction::triggered, this, &MainMenu::recordTraceChosen);
}

void MainMenu::createHelpMenu(UserControl1 &toolbar)
{
    QMenu *help = addMenu("mnuHelp", TEXT_HELP, "&Help");
    // F1 is the window's help key; here it is shown, and only answered while
    // the menu itself has the keyboard, so the manual opens once either way.
    QAction *manual = addItem(help, "mnuHelpManual", 1721, "&Manual");
    manual->setShortcut(QKeySequence(Qt::Key_F1));
    manual->setShortcutContext(Qt::WidgetShortcut);
    connect(manual, &QAction::triggered, help, &QMenu::close); // as the window's F1 closes it
    runs(manual, toolbar, Command::Help);
    connect(addItem(help, "mnuHelpAbout", 1722, "&About"), &QAction::triggered, this,
            &MainMenu::aboutChosen);
}
