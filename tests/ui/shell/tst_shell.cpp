// The windows' helpers: the default GUI font, the status bar, greying a
// window's Close command.
#include "ctrlsbar.h"
#include "m_cvlibex.h"
#include "modclosebtn.h"
#include "twips.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// What GetDefaultGuiFont said before the GUI application existed.
bool readWithoutApp = true;
QString faceWithoutApp = QStringLiteral("untouched");
std::int32_t sizeWithoutApp = -1, charsetWithoutApp = -1;

} // namespace

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    // The system font's point size becomes a height in whole pixels (8 pt at
    // 96 dpi: 10.67 px, 11) and back a size in whole points, |height * 72 /
    // dpi| with the remainder dropped, never larger. Applied to a font, the
    // face and, when asked, the size; the style stays. The offscreen
    // platform's system font is "Sans Serif" at 9 points (12 px at 96 dpi).
    void defaultFont()
    {
        QCOMPARE(m_cvlibex::pointSizeFromHeight(-13, 120), 7); // 7.8
        QCOMPARE(m_cvlibex::pointSizeFromHeight(11, 96), 8);   // a cell height, 8.25
        QCOMPARE(m_cvlibex::pointSizeFromHeight(-11, 0), 0);   // no resolution
        QCOMPARE(m_cvlibex::pointSizeFromHeight(-2000000000, 96), 1500000000); // no overflow
        QVERIFY(!readWithoutApp && faceWithoutApp == "untouched" && sizeWithoutApp == 0 &&
                charsetWithoutApp == 0);
        QCOMPARE(m_cvlibex::heightFromPointSize(8, 96), -11);
        QCOMPARE(m_cvlibex::heightFromPointSize(10, 120), -17);
        QString face;
        std::int32_t size = 0, charset = 0;
        QVERIFY(m_cvlibex::GetDefaultGuiFont(face, size, charset));
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(face).arg(size).arg(charset), "Sans Serif 9 1");
        for (const bool withSize : {true, false}) {
            QFont font(QStringLiteral("Courier"), 30);
            font.setBold(true);
            m_cvlibex::ApplyDefaultGuiFont(font, withSize);
            QCOMPARE(font.family(), QStringLiteral("Sans Serif"));
            QCOMPARE(font.pointSize(), withSize ? 9 : 30);
            QVERIFY(font.bold());
        }
    }

    // 240 twips high whatever it is given; the notice from 3765 twips to the
    // right edge, keeping its last width when the bar is narrower than that.
    // Its labels take the system font, not the application's.
    void statusBar()
    {
        QApplication::setFont(QFont(QStringLiteral("Courier"), 20));
        ctrlSBar bar;
        bar.show();
        bar.resize(640, 400);
        QCOMPARE(bar.height(), twips::toPixels(240));
        const auto *notice = bar.findChild<QLabel *>(QStringLiteral("lbCopyRight"));
        QCOMPARE(notice->x(), twips::toPixels(3765));
        QVERIFY(qAbs(notice->geometry().right() + 1 - 640) <= 1);
        const int width = notice->width();
        bar.resize(twips::toPixels(3765) - 2, 0);
        QCOMPARE(bar.height(), twips::toPixels(240));
        QCOMPARE(notice->width(), width);
        for (const QLabel *label : bar.findChildren<QLabel *>())
            QCOMPARE(label->font().family(), QStringLiteral("Sans Serif"));
    }

    // Greyed (twice here), a shown dialog stays shown, refuses close(), the
    // title bar's button and Alt+F4 (a close event) and Escape, and has no
    // close button; restored once, it closes again. A control inside it is
    // not a window and changes nothing.
    void closeCommand()
    {
        QDialog dialog;
        auto *edit = new QLineEdit(&dialog);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const Qt::WindowFlags normal = dialog.windowFlags();
        QCOMPARE(modCloseBtn::EnableCloseButton(edit, false), modCloseBtn::closeNotAWindow);
        QCOMPARE(dialog.windowHandle()->flags(), normal);
        for (int i = 0; i < 2; ++i)
            QCOMPARE(modCloseBtn::EnableCloseButton(&dialog, false), modCloseBtn::closeDone);
        QVERIFY(!(dialog.windowHandle()->flags() & Qt::WindowCloseButtonHint));
        QCloseEvent event;
        QApplication::sendEvent(&dialog, &event);
        QTest::keyClick(edit, Qt::Key_Escape);
        QVERIFY(!event.isAccepted() && !dialog.close() && dialog.isVisible());
        QCOMPARE(modCloseBtn::EnableCloseButton(&dialog, true), modCloseBtn::closeDone);
        QCOMPARE(dialog.windowHandle()->flags(), normal);
        QVERIFY(dialog.close());
    }
};

int main(int argc, char *argv[])
{
    readWithoutApp =
        m_cvlibex::GetDefaultGuiFont(faceWithoutApp, sizeWithoutApp, charsetWithoutApp);
    QApplication app(argc, argv);
    TestShell test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shell.moc"
