// One grid with a text column, a list column and a check column, edited in
// place: type, move with the arrow keys, Enter, Page Up/Down, Ctrl+Home/End,
// click another cell, scroll with the wheel or the scroll bars.
#include "cgridedit.h"
#include "gridcontrol.h"
#include "virtualkeys.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QResizeEvent>
#include <QWidget>

namespace {

constexpr int rowCount = 41;
constexpr int centred = GridControl::AlignCenterCenter;

class ExampleWindow : public QWidget
{
public:
    ExampleWindow()
        : mGrid(new GridControl(this)), mName(new QLineEdit(this)), mSpeed(new QComboBox(this)),
          mEnabled(new QCheckBox(this)), mKeys(mEditor)
    {
        setWindowTitle(QStringLiteral("Grid editor example"));
        mGrid->setRows(rowCount);
        mGrid->setCols(4);
        for (int row = 1; row < rowCount; ++row)
            mGrid->setTextMatrix(row, 0, QString::number(row));
        mSpeed->addItems({"1200", "2400", "4800", "9600", "19200"});
        mEnabled->setFixedSize(mEnabled->sizeHint());
        for (QWidget *control : {static_cast<QWidget *>(mName), static_cast<QWidget *>(mSpeed),
                                 static_cast<QWidget *>(mEnabled)}) {
            control->hide();
            mKeys.watch(*control);
        }
        registerColumns();
        resize(520, 420);
    }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QWidget::resizeEvent(event);
        mGrid->setGeometry(rect().adjusted(8, 8, -8, -8));
        mEditor.SetPosition();
    }

private:
    void registerColumns()
    {
        mEditor.setMGrid(mGrid);
        mEditor.EditBox_Ini(0, nullptr, 10, QStringLiteral("No."), 600, centred);
        mEditor.EditBox_Ini(1, mName, 12, QStringLiteral("Name"), 2000, centred);
        mEditor.EditBox_Ini(2, mSpeed, 0, QStringLiteral("Speed"), 1400, centred);
        mEditor.EditBox_Ini(3, mEnabled, 0, QStringLiteral("Enabled"), 1100, centred);
        int refresh = vk::None;
        mEditor.KeyPress(refresh, 0);
    }

    GridControl *mGrid;
    QLineEdit *mName;
    QComboBox *mSpeed;
    QCheckBox *mEnabled;
    cGridEdit mEditor;
    KeyForwarder mKeys;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ExampleWindow window;
    window.show();
    return app.exec();
}
