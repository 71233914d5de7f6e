// What the link tells a front end about its progress: the speed search's
// attempts (speed, which one, of how many), and a bus scan's requests and the
// least time left. The times are the README's: a silent ID costs 241.875 ms
// at 9600 baud (an 18-byte request held 31.875 ms, then a 210 ms wait) and
// 782 ms at 1200 (152 + 630).

#include "busscan.h"
#include "casetable.h"
#include "simbench.h"

#include <QTest>

namespace {

struct SearchCase
{
    const char *name;
    std::int32_t lastKnown; // 0: none yet
    std::int32_t deviceBaud;
    const char *attempts; // the first ones, as "baud attempt/attempts"
    std::int32_t result;
};

const SearchCase searchCases[] = {
    {"found third", 0, 19200, "9600 1/12, 4800 2/12, 19200 3/12", m::LINK_OK},
    {"last known first", 2400, 1200, "2400 1/12, 9600 2/12, 4800 3/12, 19200 4/12, 1200 5/12",
     m::LINK_OK},
    {"last known outside the list", 600, 4800, "600 1/14, 9600 2/14, 4800 3/14", m::LINK_OK},
    {"nothing answers", 0, 300,
     "9600 1/12, 4800 2/12, 19200 3/12, 2400 4/12, 1200 5/12, 38400 6/12, 9600 7/12, 4800 8/12, "
     "19200 9/12, 2400 10/12, 1200 11/12, 38400 12/12",
     m::LINK_NO_REPLY},
};

// A scan of IDs {3, 1, 2} at 9600 then 1200 baud, step by step: what it has
// asked, what it will ask in all, and the least milliseconds left.
struct ScanStep
{
    const char *name;
    int asked, planned;
    double msLeft;
};

constexpr double at9600 = 241.875, at1200 = 782;

const ScanStep scanSteps[] = {
    {"before the start", 0, 6, 3 * at9600 + 3 * at1200},
    {"asking 1 at 9600", 1, 6, 3 * at9600 + 3 * at1200},
    {"1 answered", 1, 5, 2 * at9600 + 2 * at1200},
    {"asking 2 at 9600", 2, 5, 2 * at9600 + 2 * at1200},
    {"asking 3 at 9600", 3, 5, 1 * at9600 + 2 * at1200},
    {"asking 2 at 1200", 4, 5, 2 * at1200},
    {"asking 3 at 1200", 5, 5, 1 * at1200},
};

} // namespace

class TestLinkProgress : public QObject
{
    Q_OBJECT

private slots:
    void speedSearch_data() { addCaseRows(searchCases); }
    void speedSearch()
    {
        const SearchCase &c = currentCase(searchCases);
        SimBench bench({.baud = c.deviceBaud});
        bench.addressGLink();
        if (c.lastKnown) {
            m::gLink.DCBString = m::modeString(c.lastKnown);
            m::gLink.Settings = m::shortForm(c.lastKnown);
        }
        QCOMPARE(m::OpenLink(m::gLink), m::LINK_OK);
        QStringList attempts;
        QCOMPARE(m::SelectSpeed(
                     m::gLink,
                     [&](std::int32_t baud, int attempt, int of) {
                         attempts << QStringLiteral("%1 %2/%3").arg(baud).arg(attempt).arg(of);
                     }),
                 c.result);
        QCOMPARE(attempts.join(QStringLiteral(", ")), QLatin1String(c.attempts));
    }

    void scanProgress()
    {
        const std::vector<int> ids{3, 1, 2};
        const std::vector<std::int32_t> speeds{9600, 1200};
        busscan::ScanProgress progress(ids, speeds);
        const std::function<void()> steps[] = {
            [] {},
            [&] { progress.probing(9600, 1); },
            [&] { progress.found(1); },
            [&] { progress.probing(9600, 2); },
            [&] { progress.probing(9600, 3); },
            [&] { progress.probing(1200, 2); },
            [&] { progress.probing(1200, 3); },
        };
        for (std::size_t i = 0; i < std::size(steps); ++i) {
            steps[i]();
            const ScanStep &expected = scanSteps[i];
            const QString seen = QStringLiteral("%1: %2 %3 %4")
                                     .arg(QLatin1String(expected.name))
                                     .arg(progress.asked())
                                     .arg(progress.planned())
                                     .arg(progress.msLeft(), 0, 'f', 3);
            QCOMPARE(seen, QStringLiteral("%1: %2 %3 %4")
                               .arg(QLatin1String(expected.name))
                               .arg(expected.asked)
                               .arg(expected.planned)
                               .arg(expected.msLeft, 0, 'f', 3));
        }
    }
};

QTEST_GUILESS_MAIN(TestLinkProgress)
#include "tst_linkprogress.moc"
