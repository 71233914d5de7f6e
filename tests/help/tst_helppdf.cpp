#include "testfiles.h"

#include <QtTest>

// The help document as built next to the program. Where it was typeset by
// WeasyPrint, its pages are read back with poppler's tools (pdftotext,
// pdftohtml) and checked for what a reader would notice: chapters in the
// bookmarks, every message in the index, no heading alone at a page's foot,
// no path broken and nothing running past the right margin.

namespace {

const QString pdfPath = QStringLiteral(TQ_BIN_DIR "/dc-tq540-2.pdf");
const QString indexChapter = QStringLiteral("Message index");

QString runTool(const QString &tool, const QStringList &args)
{
    QProcess process;
    process.start(QStandardPaths::findExecutable(tool), args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString unescape(QString text)
{
    static const QRegularExpression numeric(QStringLiteral("&#(\\d+);"));
    for (QRegularExpressionMatch m; (m = numeric.match(text)).hasMatch();)
        text.replace(m.capturedStart(), m.capturedLength(), QChar(m.captured(1).toInt()));
    return text.replace(QStringLiteral("&quot;"), QStringLiteral("\""))
        .replace(QStringLiteral("&apos;"), QStringLiteral("'"))
        .replace(QStringLiteral("&lt;"), QStringLiteral("<"))
        .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
        .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
}

QString plain(const QString &html)
{
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    return unescape(QString(html).remove(tag)).simplified();
}

struct Bookmark
{
    int level; // 1 for a chapter
    int page;
    QString title;
};

// The document outline, as pdftohtml lists it: nested <outline> lists of
// <item page="N">title</item>.
QList<Bookmark> bookmarks(const QString &xml)
{
    static const QRegularExpression token(
        QStringLiteral(R"re(<(/?)outline>|<item page="(\d+)">(.*?)</item>)re"));
    QList<Bookmark> found;
    int level = 0;
    for (const auto &m : token.globalMatch(xml)) {
        if (m.captured(3).isNull() && m.captured(2).isNull())
            level += m.captured(1).isEmpty() ? 1 : -1;
        else
            found.append({level, m.captured(2).toInt(), plain(m.captured(3))});
    }
    return found;
}

// The chapters of the source as their bookmarks read: "N. Title".
QStringList sourceChapters()
{
    static const QRegularExpression h2(QStringLiteral(R"re(<h2 id="[^"]+">(.*?)</h2>)re"));
    QStringList titles;
    for (const auto &m :
         h2.globalMatch(readFile(QStringLiteral(TQ_SOURCE_DIR "/help/manual.html"))))
        titles << QStringLiteral("%1. %2").arg(titles.size() + 1).arg(plain(m.captured(1)));
    return titles;
}

// The messages of the language source: its texts that are sentences (more
// than one word, ending in one full stop). Captions ("COM:", "No."), titles
// and the status lines of a running transfer ("Reading the device...") are
// not messages.
QMap<int, QString> sourceMessages()
{
    static const QRegularExpression entry(QStringLiteral(R"re(^\s*(\d+)\s*,\s*"((?:[^"]|"")*)")re"),
                                          QRegularExpression::MultilineOption);
    static const QRegularExpression sentence(QStringLiteral(R"(^\S+\s.*[^.]\.$)"));
    QMap<int, QString> messages;
    const QString rc = QString::fromUtf8(readFile(QStringLiteral(TQ_SOURCE_DIR "/lang/lang.rc")));
    for (const auto &m : entry.globalMatch(rc)) {
        const QString text = m.captured(2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
        if (sentence.match(text).hasMatch())
            messages.insert(m.captured(1).toInt(), text.simplified());
    }
    return messages;
}

// Each page's text lines without the running footer: the lines that, digits
// aside, stand on every page.
QList<QStringList> bodyLines(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("\\d+"));
    const auto masked = [](QString line) { return line.replace(digits, QStringLiteral("#")); };
    QList<QStringList> pages;
    QSet<QString> everywhere;
    for (const QString &page : text.split(u'\f', Qt::SkipEmptyParts)) {
        pages.append(page.split(u'\n', Qt::SkipEmptyParts));
        QSet<QString> here;
        for (const QString &line : pages.last())
            here.insert(masked(line));
        everywhere = pages.size() == 1 ? here : everywhere.intersect(here);
    }
    for (QStringList &lines : pages)
        lines.removeIf([&](const QString &line) { return everywhere.contains(masked(line)); });
    return pages;
}

} // namespace

// QSKIP leaves the function it stands in, so it stands in each test.
#define SKIP_UNLESS_CHECKABLE()                                                                    \
    if (const char *reason = cannotCheck())                                                        \
    QSKIP(reason)

class TestHelpPdf : public QObject
{
    Q_OBJECT

    QString outline;
    QString text; // with a form feed after each page

private slots:
    void initTestCase()
    {
        if (!TQ_HELP_TYPESET)
            return; // the paged checks skip themselves
        outline = runTool(QStringLiteral("pdftohtml"),
                          {QStringLiteral("-xml"), QStringLiteral("-i"), QStringLiteral("-stdout"),
                           QStringLiteral("-q"), pdfPath});
        text = runTool(QStringLiteral("pdftotext"), {pdfPath, QStringLiteral("-")});
    }

    void manualIsBuilt()
    {
        const QByteArray bytes = readFile(pdfPath);
        QVERIFY2(bytes.startsWith("%PDF-"), "no document next to the program");
        const auto count = QRegularExpression(QStringLiteral(R"(/Type /Pages\b[^>]*/Count (\d+))"))
                               .match(QString::fromLatin1(bytes));
        const int pages = count.captured(1).toInt();
        QVERIFY2(pages >= 15 && pages <= 60, qPrintable(count.captured(0)));
    }

    void bookmarksAreTheChapters()
    {
        SKIP_UNLESS_CHECKABLE();
        QStringList chapters;
        for (const Bookmark &b : bookmarks(outline))
            if (b.level == 1)
                chapters << b.title;
        QCOMPARE(chapters, sourceChapters());
    }

    void everyMessageIsInTheIndex()
    {
        SKIP_UNLESS_CHECKABLE();
        const QMap<int, QString> messages = sourceMessages();
        QVERIFY(messages.contains(1403) && messages.contains(1207)); // the rule finds messages
        const QString index = chapterText(indexChapter);
        QVERIFY2(!index.isEmpty(), "no chapter Message index");
        QStringList missing;
        for (auto m = messages.cbegin(); m != messages.cend(); ++m)
            if (!index.contains(m.value()))
                missing << QString::number(m.key());
        QVERIFY2(missing.isEmpty(),
                 qPrintable(QStringLiteral("not in the index: ") + missing.join(u' ')));
    }

    void noPageEndsWithAHeading()
    {
        SKIP_UNLESS_CHECKABLE();
        const QList<QStringList> pages = bodyLines(text);
        for (const Bookmark &b : bookmarks(outline)) {
            QVERIFY(b.page >= 1 && b.page <= pages.size());
            const QStringList &lines = pages[b.page - 1];
            for (qsizetype k = 1; k <= 3 && k <= lines.size(); ++k)
                QVERIFY2(
                    lines.mid(lines.size() - k).join(u' ').simplified() != b.title,
                    qPrintable(QStringLiteral("page %1 ends with %2").arg(b.page).arg(b.title)));
        }
    }

    // A path is set whole on one line, never "/dev/ ttyUSB3".
    void pathsAreNotBroken()
    {
        SKIP_UNLESS_CHECKABLE();
        static const QRegularExpression path(
            QStringLiteral(R"re(<code class="path">(.*?)</code>)re"));
        const QStringList lines = text.split(u'\n');
        for (const auto &m :
             path.globalMatch(readFile(QStringLiteral(TQ_SOURCE_DIR "/help/manual.html")))) {
            const QString whole = plain(m.captured(1));
            QVERIFY2(std::any_of(lines.cbegin(), lines.cend(),
                                 [&](const QString &line) { return line.contains(whole); }),
                     qPrintable(whole));
        }
    }

    // "see Files (page 11) for": the word after a cross-reference keeps its
    // space.
    void referencesKeepTheirSpace()
    {
        SKIP_UNLESS_CHECKABLE();
        const auto glued = QRegularExpression(QStringLiteral(R"(\(page.\d+\)\w)")).match(text);
        QVERIFY2(!glued.hasMatch(), qPrintable(glued.captured()));
    }

    // No word stands right of the page number in the footer, which ends at
    // the right margin: no table, sample or path runs out of the page.
    void nothingPastTheRightMargin()
    {
        SKIP_UNLESS_CHECKABLE();
        const QString boxes = runTool(QStringLiteral("pdftotext"),
                                      {QStringLiteral("-bbox"), pdfPath, QStringLiteral("-")});
        static const QRegularExpression word(QStringLiteral(
            R"re(<word xMin="[\d.]+" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">(.*?)</word>)re"));
        int page = 0;
        for (const QString &pageXml : boxes.split(QStringLiteral("<page ")).mid(1)) {
            ++page;
            double footerY = -1, margin = 0, widest = 0;
            QString widestWord;
            for (const auto &m : word.globalMatch(pageXml)) {
                const double y = m.captured(1).toDouble(), right = m.captured(2).toDouble();
                if (y > footerY + 0.5)
                    footerY = y, margin = right;
                else if (y > footerY - 0.5)
                    margin = std::max(margin, right);
                if (right > widest)
                    widest = right, widestWord = m.captured(3);
            }
            QVERIFY2(widest <= margin + 0.5,
                     qPrintable(QStringLiteral("page %1: %2").arg(page).arg(widestWord)));
        }
    }

    // makepdf quotes message texts from the program's string table; an ID it
    // does not hold fails the build and leaves no document, in both forms.
    void messageIds_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<bool>("built");
        const QByteArray known("<h2 id=\"a\">A</h2>{{contents}}<p>{{1403}} {{version}}</p>");
        QTest::newRow("pdf, known") << QString() << known << true;
        QTest::newRow("pdf, unknown") << QString() << QByteArray("<p>{{9999}}</p>") << false;
        QTest::newRow("html, known") << QStringLiteral("--html") << known << true;
        QTest::newRow("html, unknown")
            << QStringLiteral("--html") << QByteArray("{{9999}}") << false;
        QTest::newRow("html, unknown name")
            << QStringLiteral("--html") << QByteArray("{{ver}}") << false;
    }
    void messageIds()
    {
        QFETCH(QString, mode);
        QFETCH(QByteArray, html);
        QFETCH(bool, built);
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("manual.html"));
        writeFile(source, html);
        const QString out = dir.filePath(QStringLiteral("out"));
        QStringList args{source, QStringLiteral(TQ_SOURCE_DIR "/lang/lang.rc"),
                         QStringLiteral("1.0.20"), out};
        if (!mode.isEmpty())
            args.prepend(mode);
        QProcess tool;
        tool.start(QStringLiteral(MAKEPDF_PATH), args);
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0, built);
        QCOMPARE(QFileInfo::exists(out), built);
        if (built && !mode.isEmpty())
            QVERIFY(readFile(out).contains("<li><a href=\"#a\">A</a></li>") &&
                    readFile(out).contains("Remote control no responded. 1.0.20"));
    }

private:
    // Why the pages cannot be checked; empty when they can.
    const char *cannotCheck() const
    {
        if (!TQ_HELP_TYPESET)
            return "made without WeasyPrint: no bookmarks or page layout to check";
        if (outline.isEmpty() || text.isEmpty())
            return "poppler's pdftohtml and pdftotext are needed (Debian: poppler-utils)";
        return nullptr;
    }

    // The text of a chapter's pages, found through its bookmark.
    QString chapterText(const QString &title) const
    {
        const QList<Bookmark> marks = bookmarks(outline);
        const QStringList pages = text.split(u'\f');
        for (qsizetype i = 0; i < marks.size(); ++i) {
            if (marks[i].level != 1 || !marks[i].title.endsWith(title))
                continue;
            auto next = std::find_if(marks.begin() + i + 1, marks.end(),
                                     [](const Bookmark &b) { return b.level == 1; });
            const int last = next == marks.end() ? pages.size() : next->page - 1;
            return pages.mid(marks[i].page - 1, last - marks[i].page + 1).join(u' ').simplified();
        }
        return {};
    }
};

QTEST_GUILESS_MAIN(TestHelpPdf)
#include "tst_helppdf.moc"
