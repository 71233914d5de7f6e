#include "modclosebtn.h"

#include <QCloseEvent>
#include <QDialog>
#include <QLineEdit>
#include <QTimer>
#include <QWindow>
#include <QtTest>

using modCloseBtn::EnableCloseButton;

namespace {

const bool greyed = false;
const bool restored = true;

// Alt+F4 and the title-bar button reach the window as a spontaneous close
// event; true when the window accepted it.
bool systemClose(QWidget &window)
{
    QCloseEvent event;
    QApplication::sendEvent(&window, &event);
    return event.isAccepted();
}

} // namespace

class TestCloseBtn : public QObject
{
    Q_OBJECT

private slots:
    void notAWindow()
    {
        QCOMPARE(EnableCloseButton(nullptr, greyed), modCloseBtn::closeNotAWindow);

        QDialog window;
        auto *child = new QLineEdit(&window);
        const Qt::WindowFlags childFlags = child->windowFlags();
        const Qt::WindowFlags windowFlags = window.windowFlags();
        QCOMPARE(EnableCloseButton(child, greyed), modCloseBtn::closeNotAWindow);
        QCOMPARE(child->windowFlags(), childFlags);
        QCOMPARE(window.windowFlags(), windowFlags);
        QVERIFY(!modCloseBtn::isCloseGreyed(child));
        QVERIFY(!modCloseBtn::isCloseGreyed(&window));
        window.show();
        QVERIFY(window.close());
    }

    void greyTwiceRestoreOnce()
    {
        QDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const Qt::WindowFlags normal = dialog.windowFlags();
        QVERIFY(normal & Qt::WindowCloseButtonHint);

        QCOMPARE(EnableCloseButton(&dialog, greyed), modCloseBtn::closeDone);
        QCOMPARE(EnableCloseButton(&dialog, greyed), modCloseBtn::closeDone);
        QVERIFY(dialog.isVisible());
        QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(dialog.windowHandle()->flags() & Qt::WindowCloseButtonHint));

        QCOMPARE(EnableCloseButton(&dialog, restored), modCloseBtn::closeDone);
        QCOMPARE(dialog.windowFlags(), normal);
        QCOMPARE(dialog.windowHandle()->flags(), normal);
        QVERIFY(!modCloseBtn::isCloseGreyed(&dialog));
        QVERIFY(dialog.close());
        QVERIFY(!dialog.isVisible());
    }

    void restoreWithoutGreyingChangesNothing()
    {
        QWidget window;
        const Qt::WindowFlags normal = window.windowFlags();
        QCOMPARE(EnableCloseButton(&window, restored), modCloseBtn::closeDone);
        QCOMPARE(window.windowFlags(), normal);
        QVERIFY(!modCloseBtn::isCloseGreyed(&window));
    }

    void greyedDialogRefusesClosing()
    {
        QDialog dialog;
        auto *edit = new QLineEdit(&dialog);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        edit->setFocus();
        EnableCloseButton(&dialog, greyed);

        QVERIFY(!dialog.close());
        QVERIFY(!systemClose(dialog));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());

        EnableCloseButton(&dialog, restored);
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        dialog.show();
        QVERIFY(systemClose(dialog));
        QVERIFY(!dialog.isVisible());
    }

    void greyedWindowRefusesClosing()
    {
        QWidget window;
        window.show();
        EnableCloseButton(&window, greyed);
        QVERIFY(!window.close());
        QVERIFY(window.isVisible());
        EnableCloseButton(&window, restored);
        QVERIFY(window.close());
    }

    // The way the transfer window uses it: grey while its modal loop runs.
    void modalLoopSurvivesGreying()
    {
        QDialog dialog;
        bool stayedOpen = false;
        QTimer::singleShot(0, &dialog, [&] {
            EnableCloseButton(&dialog, greyed);
            QTest::keyClick(&dialog, Qt::Key_Escape);
            dialog.close();
            stayedOpen = dialog.isVisible();
            EnableCloseButton(&dialog, restored);
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        // A safety net so a fault cannot hang the test run.
        QTimer::singleShot(10000, &dialog, [&] { dialog.done(99); });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY(stayedOpen);
    }
};

QTEST_MAIN(TestCloseBtn)
#include "tst_closebtn.moc"
