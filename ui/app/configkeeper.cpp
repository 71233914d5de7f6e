#include "configkeeper.h"

#include "eepromimage.h"
#include "gridcontrol.h"
#include "recoveryfile.h"
#include "settingsrow.h"
#include "usercontrol1.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>

namespace {

// The run of keys typed into the dwell-time box.
constexpr int dwellTyping = 1;

// Counts a change the window makes itself while it lasts.
class Quietly
{
public:
    explicit Quietly(int &depth) : mDepth(depth) { ++mDepth; }
    ~Quietly() { --mDepth; }
    Quietly(const Quietly &) = delete;
    Quietly &operator=(const Quietly &) = delete;

private:
    int &mDepth;
};

} // namespace

ConfigKeeper::ConfigKeeper(Window window, QObject *parent)
    : QObject(parent), mWindow(std::move(window)), mRecovery(RecoveryFile::create())
{
    mRecoveryTimer.setSingleShot(true);
    mRecoveryTimer.setInterval(recoveryDelay);
    connect(&mRecoveryTimer, &QTimer::timeout, this, &ConfigKeeper::writeRecovery);
    connect(&mHistory, &UndoHistory::changed, this, &ConfigKeeper::keepForRecovery);
    connect(&mHistory, &UndoHistory::changed, this, &ConfigKeeper::changed);
    mHistory.reset(captured());
}

ConfigKeeper::~ConfigKeeper()
{
    if (mRecoveryTimer.isActive())
        writeRecovery();
}

void ConfigKeeper::watch(GridControl &grid)
{
    connect(&grid, &GridControl::cellTextChanged, this, [this] { userChanged(); });
}

void ConfigKeeper::watch(SettingsRow &row)
{
    connect(&row.cbBaud(), &QComboBox::currentIndexChanged, this, [this] { userChanged(); });
    connect(&row.txtTimeout(), &QLineEdit::textChanged, this, [this] { userChanged(dwellTyping); });
    connect(&row.ckAlarmSystem(), &QCheckBox::toggled, this, [this] { userChanged(); });
}

ConfigState ConfigKeeper::captured() const
{
    ConfigState state = configstate::capture(mWindow.controls, tqimage::EEPROMBuf);
    state.dataLen = mWindow.toolbar.DataLen();
    state.filename = mWindow.toolbar.filename();
    state.caption = mWindow.caption();
    state.origin = mWindow.toolbar.origin();
    return state;
}

void ConfigKeeper::userChanged(int run)
{
    if (mQuiet == 0)
        mHistory.record(captured(), run);
}

void ConfigKeeper::step(const std::function<void()> &change)
{
    {
        const Quietly quiet(mQuiet);
        change();
    }
    mHistory.record(captured());
}

void ConfigKeeper::saved()
{
    mHistory.amend(captured());
    mHistory.markSaved();
}

void ConfigKeeper::restore(const ConfigState &state)
{
    step([&] { show(state); });
}

void ConfigKeeper::undo()
{
    if (const std::optional<ConfigState> state = mHistory.undo())
        show(*state);
}

void ConfigKeeper::redo()
{
    if (const std::optional<ConfigState> state = mHistory.redo())
        show(*state);
}

// The edit boxes are laid on their cells again, which takes the focus; it
// goes back where the user had it.
void ConfigKeeper::show(const ConfigState &state)
{
    const QPointer<QWidget> focus = QApplication::focusWidget();
    {
        const Quietly quiet(mQuiet);
        configstate::apply(state, mWindow.controls, tqimage::EEPROMBuf);
        mWindow.toolbar.setDataLen(state.dataLen);
        mWindow.toolbar.setFilename(state.filename);
        mWindow.toolbar.setOrigin(state.origin);
        mWindow.setCaption(state.caption);
    }
    if (focus && focus->isVisible())
        focus->setFocus();
}

// A burst of changes is written once, a second after its first change, as
// it stands then.
void ConfigKeeper::keepForRecovery()
{
    if (!mRecovery)
        return;
    if (mHistory.isSaved()) {
        mRecoveryTimer.stop();
        mRecovery->remove();
    } else if (!mRecoveryTimer.isActive()) {
        mRecoveryTimer.start();
    }
}

void ConfigKeeper::writeRecovery()
{
    mRecoveryTimer.stop();
    if (mRecovery)
        mRecovery->write(mHistory.current(), QDateTime::currentDateTimeUtc());
}
