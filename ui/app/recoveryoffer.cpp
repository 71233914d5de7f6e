#include "recoveryoffer.h"

#include "msgbox.h"
#include "recoveryfile.h"
#include "resdll.h"

#include <QDir>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

namespace {

// Language texts.
constexpr int TEXT_OFFER = 2505;
constexpr int TEXT_RESTORE = 2506;
constexpr int TEXT_DISCARD = 2507;
constexpr int TEXT_NO_FILE = 2508;

QString offerText(const configstate::Kept &kept)
{
    const QString file =
        kept.state.filename.trimmed().isEmpty()
            ? textOr(TEXT_NO_FILE, QStringLiteral("a configuration without a file"))
            : QDir::toNativeSeparators(kept.state.filename);
    const QString time = QLocale().toString(kept.time.toLocalTime(), QLocale::ShortFormat);
    return textOr(TEXT_OFFER,
                  QStringLiteral("Unsaved changes to %1 were kept at %2. Restore them?"))
        .arg(file, time);
}

QPushButton *addButton(QMessageBox &box, const char *name, int textId, const char *english,
                       QMessageBox::ButtonRole role)
{
    QPushButton *button = box.addButton(textOr(textId, QString::fromLatin1(english)), role);
    button->setObjectName(QLatin1String(name));
    return button;
}

} // namespace

RecoveryOffer::RecoveryOffer(QWidget &window, Restore restore)
    : QObject(&window), mWindow(window), mRestore(std::move(restore)),
      mFiles(RecoveryFile::unowned())
{
}

RecoveryOffer::~RecoveryOffer() = default;

void RecoveryOffer::start()
{
    while (!mFiles.empty()) {
        RecoveryFile &file = *mFiles.front();
        if (const std::optional<configstate::Kept> kept = file.read())
            return offer(file, *kept);
        mFiles.erase(mFiles.begin()); // not ours to read: left alone
    }
}

// Window-modal and not waited for: the window is up behind it.
void RecoveryOffer::offer(RecoveryFile &file, const configstate::Kept &kept)
{
    auto *box = new QMessageBox(QMessageBox::Question, msgbox::appTitle, offerText(kept),
                                QMessageBox::NoButton, &mWindow);
    box->setObjectName(QStringLiteral("recoveryOffer"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton *restore =
        addButton(*box, "cmdRestore", TEXT_RESTORE, "Restore", QMessageBox::AcceptRole);
    QPushButton *discard =
        addButton(*box, "cmdDiscard", TEXT_DISCARD, "Discard", QMessageBox::DestructiveRole);
    box->setDefaultButton(restore);
    connect(box, &QMessageBox::finished, this, [=, this, &file] {
        if (box->clickedButton() == restore)
            mRestore(kept.state);
        if (box->clickedButton() == restore || box->clickedButton() == discard)
            file.remove();
        mFiles.erase(mFiles.begin());
        start();
    });
    box->open();
}
