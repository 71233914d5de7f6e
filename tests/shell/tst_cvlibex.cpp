#include "m_cvlibex.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QtTest>

namespace {

// What GetDefaultGuiFont said before any GUI application existed.
struct NoAppResult
{
    bool ok = true;
    QString faceName = QStringLiteral("untouched");
    std::int32_t size = -1;
    std::int32_t charset = -1;
} noApp;

} // namespace

class TestCvlibex : public QObject
{
    Q_OBJECT

private slots:
    void pointSizeFromHeight_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("size");
        QTest::newRow("8 pt dialog font, 96 dpi") << -11 << 96 << 8; // 792 / 96 = 8.25
        QTest::newRow("remainder dropped") << -13 << 96 << 9;        // 936 / 96 = 9.75
        QTest::newRow("exact") << -16 << 96 << 12;                   // 1152 / 96 = 12
        QTest::newRow("125 % scaling") << -13 << 120 << 7;           // 936 / 120 = 7.8
        QTest::newRow("150 % scaling") << -20 << 144 << 10;          // 1440 / 144 = 10
        QTest::newRow("cell height (positive)") << 11 << 96 << 8;
        QTest::newRow("no height") << 0 << 96 << 0;
        QTest::newRow("no resolution") << -11 << 0 << 0;
        QTest::newRow("huge height") << -2000000000 << 96 << 1500000000;
    }

    void pointSizeFromHeight()
    {
        QFETCH(int, height);
        QFETCH(int, dpi);
        QFETCH(int, size);
        QCOMPARE(m_cvlibex::pointSizeFromHeight(height, dpi), size);
    }

    void heightFromPointSize_data()
    {
        QTest::addColumn<double>("points");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("height");
        QTest::newRow("8 pt, 96 dpi") << 8.0 << 96 << -11;     // 10.67 px
        QTest::newRow("9 pt, 96 dpi") << 9.0 << 96 << -12;     // 12 px
        QTest::newRow("10 pt, 120 dpi") << 10.0 << 120 << -17; // 16.67 px
        QTest::newRow("7.5 pt, 96 dpi") << 7.5 << 96 << -10;   // 10 px
    }

    void heightFromPointSize()
    {
        QFETCH(double, points);
        QFETCH(int, dpi);
        QFETCH(int, height);
        QCOMPARE(m_cvlibex::heightFromPointSize(points, dpi), height);
    }

    void withoutGuiApplication()
    {
        QVERIFY(!noApp.ok);
        QCOMPARE(noApp.faceName, QStringLiteral("untouched"));
        QCOMPARE(noApp.size, 0);
        QCOMPARE(noApp.charset, 0);
    }

    void readsSystemFont()
    {
        QString face;
        std::int32_t size = 0, charset = 0;
        QVERIFY(m_cvlibex::GetDefaultGuiFont(face, size, charset));
        const QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        QCOMPARE(face, system.family());
        QCOMPARE(charset, m_cvlibex::defaultCharset);
        // Dropping the remainder can lose at most one point, never add one.
        QVERIFY(size >= 1);
        QVERIFY(size <= qRound(system.pointSizeF()));
        QVERIFY(size >= qRound(system.pointSizeF()) - 1);
    }

    void applyKeepsStyle_data()
    {
        QTest::addColumn<bool>("withSize");
        QTest::newRow("with size") << true;
        QTest::newRow("face only") << false;
    }

    void applyKeepsStyle()
    {
        QFETCH(bool, withSize);
        QString face;
        std::int32_t size = 0, charset = 0;
        QVERIFY(m_cvlibex::GetDefaultGuiFont(face, size, charset));

        QFont font(QStringLiteral("Courier"), 30);
        font.setBold(true);
        m_cvlibex::ApplyDefaultGuiFont(font, withSize);
        QCOMPARE(font.family(), face);
        QCOMPARE(font.pointSize(), withSize ? size : 30);
        QVERIFY(font.bold());
    }

    void applyToControls()
    {
        QWidget window;
        auto *label = new QLabel(&window);
        label->setFont(QFont(QStringLiteral("Courier"), 30));
        m_cvlibex::applyDefaultGuiFontToControls(&window);
        QCOMPARE(label->font().family(),
                 QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
        QVERIFY(label->font().pointSize() < 30);
    }
};

int main(int argc, char *argv[])
{
    noApp.ok = m_cvlibex::GetDefaultGuiFont(noApp.faceName, noApp.size, noApp.charset);
    QApplication app(argc, argv);
    TestCvlibex test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_cvlibex.moc"
