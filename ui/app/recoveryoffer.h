#pragma once

#include "configstate.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class QWidget;
class RecoveryFile;

// At the start, offers the unsaved edits that other windows left behind when
// they ended (an exit, a crash, a killed process), one box each with
// Restore and Discard, naming the time they were kept and the file they
// belonged to. Restore hands them to the window; either answer removes the
// file. A box closed without an answer leaves it for the next start. Where no
// such file exists, nothing is shown.
class RecoveryOffer : public QObject
{
    Q_OBJECT

public:
    using Restore = std::function<void(const ConfigState &)>;

    // Takes the files nobody holds, so no other window offers them too.
    RecoveryOffer(QWidget &window, Restore restore);
    ~RecoveryOffer() override;

    // Shows the first box; each answer brings the next.
    void start();

private:
    void offer(RecoveryFile &file, const configstate::Kept &kept);

    QWidget &mWindow;
    Restore mRestore;
    std::vector<std::unique_ptr<RecoveryFile>> mFiles;
};
