// The configuration window in a field engineer's hands: device labels that
// show their longest values, its smallest and remembered size, Tab through
// the settings row and the grids' edit boxes, F1 over an open list, composed
// text in check-mark cells, and help without a PDF viewer.
#include "../simbench.h"
#include "../transferuser.h"
#include "frmtq540_2.h"
#include "gridcontrol.h"
#include "helpfile.h"
#include "msgbox.h"
#include "resdll.h"
#include "windowchildren.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

class TestFieldWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(mConfig.isValid());
        qputenv("XDG_CONFIG_HOME", mConfig.path().toLocal8Bit());
        gResDll.setFilename(QStringLiteral(TQ_BIN_DIR "/lang.dll"));
        QVERIFY(gResDll.hInstance() != 0);
    }

    void init()
    {
        QFile::remove(mConfig.filePath(QStringLiteral("Corvant/kWare.ini")));
        mOpened.clear();
        mMessages.clear();
        mViewerTakes = true;
        showWindow();
    }

    void cleanup() { mWindow.reset(); }

    // A device with the longest serial number, the highest ID and the fastest
    // speed: at the window's first size each value shows whole, clear of the
    // caption after it.
    void deviceLabelsShowLongestValues_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("next");
        QTest::newRow("lbSpeed") << "lbSpeed"
                                 << "38400"
                                 << "Label1_0";
        QTest::newRow("lbSN") << "lbSN"
                              << "2147483647"
                              << "Label1_1";
        QTest::newRow("lbID") << "lbID"
                              << "255" << QString();
    }

    void deviceLabelsShowLongestValues()
    {
        QFETCH(QString, label);
        QFETCH(QString, shown);
        QFETCH(QString, next);
        SimBench line({.serialNo = 2147483647, .deviceId = 255, .baud = 38400});
        TransferUser user;
        child<QLineEdit>("txtSN")->setText(QStringLiteral("255"));
        clickButton(*mWindow, "cmdTest");
        QCOMPARE(user.outcomes, QStringList{gResDll.GetStr(1400)});

        const auto *toolbar = child<QWidget>("mTBar"); // the window has labels of these names too
        const auto *value = childOf<QLabel>(*toolbar, qPrintable(label));
        QCOMPARE(value->text(), shown);
        QVERIFY(value->width() >= value->sizeHint().width());
        const QRect inWindow(value->mapTo(mWindow.get(), QPoint()), value->size());
        QVERIFY(inWindow.right() < mWindow->width());
        if (!next.isEmpty())
            QVERIFY(value->geometry().right() < childOf<QLabel>(*toolbar, qPrintable(next))->x());
    }

    // However small it is made, every toolbar button stays in view.
    void smallestSizeKeepsButtons()
    {
        mWindow->resize(1, 1);
        QTRY_COMPARE(mWindow->size(), mWindow->minimumSize());
        for (const char *name : {"cmdOpen", "cmdSave", "cmdSaveAs", "cmdClear", "cmdTest",
                                 "cmdDownload", "cmdUpload", "cmdExit", "cmdHelp"}) {
            const auto *button = child<QPushButton>(name);
            const QRect inWindow(button->mapTo(mWindow.get(), QPoint()), button->size());
            QVERIFY2(mWindow->rect().contains(inWindow), name);
        }
        QVERIFY(child<QWidget>("mSBar1")->y() >= child<QWidget>("mTBar")->geometry().bottom());
    }

    void sizeAndPlaceRemembered()
    {
        const QRect chosen(40, 50, mWindow->width() + 80, mWindow->height() + 60);
        mWindow->setGeometry(chosen);
        QTRY_COMPARE(mWindow->geometry(), chosen);
        clickButton(*mWindow, "cmdExit");
        mWindow.reset();

        showWindow();
        QCOMPARE(mWindow->geometry(), chosen);
    }

    // Tab and Shift+Tab run through the settings row and the grids' shown
    // edit boxes, never resting on a grid; a grid whose current row is
    // scrolled out of view is a stop itself.
    void tabThroughSettingsAndBoxes_data()
    {
        QTest::addColumn<int>("inputCol");
        QTest::addColumn<int>("outputsTopRow");
        QTest::addColumn<QString>("from");
        QTest::addColumn<bool>("back");
        QTest::addColumn<QString>("to");
        QTest::newRow("alarm to inputs") << 1 << 1 << "ckAlarmSystem" << false << "txt_gd";
        QTest::newRow("alarm to a check cell")
            << 2 << 1 << "ckAlarmSystem" << false << "txtcheckbox";
        QTest::newRow("inputs to outputs") << 1 << 1 << "txt_gd" << false << "Text1";
        QTest::newRow("outputs back to inputs") << 2 << 1 << "Text1" << true << "txtcheckbox";
        QTest::newRow("inputs back to alarm") << 1 << 1 << "txt_gd" << true << "ckAlarmSystem";
        QTest::newRow("inputs to outputs scrolled") << 1 << 20 << "txt_gd" << false << "fg2";
    }

    void tabThroughSettingsAndBoxes()
    {
        QFETCH(int, inputCol);
        QFETCH(int, outputsTopRow);
        QFETCH(QString, from);
        QFETCH(bool, back);
        QFETCH(QString, to);
        child<GridControl>("fg1")->setCol(inputCol);
        child<GridControl>("fg2")->setTopRow(outputsTopRow);
        auto *start = child<QWidget>(qPrintable(from));
        start->setFocus();
        QTest::keyClick(start, back ? Qt::Key_Backtab : Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), child<QWidget>(qPrintable(to)));
    }

    void f1OverOpenList_data()
    {
        QTest::addColumn<QString>("list");
        QTest::newRow("cbBaud") << "cbBaud";
        QTest::newRow("cbComm") << "cbComm";
    }

    void f1OverOpenList()
    {
        QFETCH(QString, list);
        auto *combo = child<QComboBox>(qPrintable(list));
        combo->showPopup();
        QVERIFY(combo->view()->isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QCOMPARE(mOpened.size(), 1);
        QVERIFY(!combo->view()->isVisible());
    }

    // Text composed by an input method (a dead key, say) meets the same rule as
    // typed text: a check-mark cell gets "x" or a blank.
    void composedTextInCheckCells_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("composed");
        QTest::addColumn<QString>("cell");
        for (const char *name : {"txtcheckbox", "txtCheck2"}) {
            QTest::addRow("%s accented", name) << name << "é"
                                               << "x";
            QTest::addRow("%s capital X", name) << name << "X"
                                                << "x";
            QTest::addRow("%s two letters", name) << name << "ab"
                                                  << "x";
            QTest::addRow("%s blank", name) << name << " " << QString();
        }
    }

    void composedTextInCheckCells()
    {
        QFETCH(QString, box);
        QFETCH(QString, composed);
        QFETCH(QString, cell);
        const bool inputs = box == "txtcheckbox";
        QTest::keyClick(child<QLineEdit>(inputs ? "txt_gd" : "Text1"), Qt::Key_Right);
        auto *check = child<QLineEdit>(qPrintable(box));
        QVERIFY(check->hasFocus());

        QInputMethodEvent composing(QStringLiteral("\u00b4"), {}); // a dead key, pending
        QApplication::sendEvent(check, &composing);
        QInputMethodEvent done;
        done.setCommitString(composed);
        QApplication::sendEvent(check, &done);
        QCOMPARE(check->text(), cell.isEmpty() ? composed : cell);
        QTest::keyClick(check, Qt::Key_Escape);
        QCOMPARE(child<GridControl>(inputs ? "fg1" : "fg2")->TextMatrix(1, 2), cell);
    }

    // Help that nothing could open says so and names the document.
    void helpWithoutViewer_data()
    {
        QTest::addColumn<bool>("viewerTakes");
        QTest::addColumn<int>("messages");
        QTest::newRow("viewer") << true << 0;
        QTest::newRow("no viewer") << false << 1;
    }

    void helpWithoutViewer()
    {
        QFETCH(bool, viewerTakes);
        QFETCH(int, messages);
        mViewerTakes = viewerTakes;
        QTest::keyClick(child<QWidget>("txt_gd"), Qt::Key_F1);
        QCOMPARE(mOpened.size(), 1);
        QCOMPARE(mMessages.size(), messages);
        const QString path =
            QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + "/dc-tq540-2.pdf");
        if (messages)
            QVERIFY2(mMessages[0].contains(path) && mMessages[0].contains("could not be opened"),
                     qPrintable(mMessages[0]));
    }

private:
    template <typename T> T *child(const char *name) const { return childOf<T>(*mWindow, name); }

    void showWindow()
    {
        mWindow = std::make_unique<frmTQ540_2>();
        mWindow->show();
        mWindow->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(mWindow.get()));
    }

    QTemporaryDir mConfig;
    std::unique_ptr<frmTQ540_2> mWindow;
    QList<QUrl> mOpened;
    QStringList mMessages;
    bool mViewerTakes = true;
    helpfile::ScopedOpener mOpener{[this](const QUrl &url) {
        mOpened << url;
        return mViewerTakes;
    }};
    msgbox::ScopedPresenter mBoxes{
        [this](QWidget *, const QString &text, msgbox::Icon) { mMessages << text; }};
};

QTEST_MAIN(TestFieldWindow)
#include "tst_fieldwindow.moc"
