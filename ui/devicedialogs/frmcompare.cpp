#include "frmcompare.h"

#include "m_cvlibex.h"
#include "resdll.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Language texts of the dialog.
constexpr int TEXT_TITLE = 1900;
constexpr int TEXT_LOAD = 1901;
constexpr int TEXT_CLOSE = 1902;
constexpr int TEXT_EQUAL = 1903;
constexpr int TEXT_HEADER = 1904;
constexpr int TEXT_LIST_NAME = 1905;

} // namespace

frmCompare::frmCompare(const QStringList &differences, QWidget *parent)
    : QDialog(parent), lbSummary(new QLabel(this)), txtDifferences(new QPlainTextEdit(this)),
      cmdLoad(new QPushButton(this)), cmdClose(new QPushButton(this))
{
    setObjectName(QStringLiteral("frmCompare"));
    lbSummary->setObjectName(QStringLiteral("lbSummary"));
    txtDifferences->setObjectName(QStringLiteral("txtDifferences"));
    cmdLoad->setObjectName(QStringLiteral("cmdLoad"));
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    setWindowTitle(textOr(TEXT_TITLE, QStringLiteral("Compare with device")));
    cmdLoad->setText(textOr(TEXT_LOAD, QStringLiteral("Load the device's configuration")));
    cmdClose->setText(textOr(TEXT_CLOSE, QStringLiteral("Close")));
    txtDifferences->setAccessibleName(textOr(TEXT_LIST_NAME, QStringLiteral("Differences")));
    lbSummary->setWordWrap(true);
    lbSummary->setText(
        differences.isEmpty()
            ? textOr(TEXT_EQUAL,
                     QStringLiteral("The device's configuration is the same as the window's."))
            : textOr(
                  TEXT_HEADER,
                  QStringLiteral("Where the device differs from the window (window -> device):")));
    txtDifferences->setReadOnly(true);
    txtDifferences->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtDifferences->setPlainText(differences.join(u'\n'));
    txtDifferences->setVisible(!differences.isEmpty());
    connect(cmdLoad, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    cmdClose->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdLoad);
    buttons->addWidget(cmdClose);
    auto *dialog = new QVBoxLayout(this);
    dialog->addWidget(lbSummary);
    dialog->addWidget(txtDifferences, 1);
    dialog->addLayout(buttons);
    m_cvlibex::applyDefaultGuiFontToControls(this);
    if (!differences.isEmpty())
        resize(sizeHint().width() * 3 / 2, sizeHint().height() * 3 / 2);
}
