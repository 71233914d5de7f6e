// Build-time tool: turns the manual's HTML source into the PDF help document.
//
//   makepdf <manual.html> <lang.rc> <version> <output.pdf>
//   makepdf --html <manual.html> <lang.rc> <version> <output.html>
//
// {{version}} in the source becomes the program's version, {{contents}} a
// list of links to the chapters (every <h2 id="...">), and {{NNNN}} the
// English text of string ID NNNN, so the manual quotes the program's messages
// exactly. An ID missing from lang.rc fails the build.
//
// The first form typesets the PDF with Qt's text document, which knows no
// page breaks, bookmarks or contents page numbers: the build's fallback where
// no paged-media engine is installed. The second writes the filled-in HTML
// for such an engine (WeasyPrint), which reads the manual's paged stylesheet.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPageLayout>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>
#include <cstdio>
#include <optional>

namespace {

std::optional<QString> readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    return QString::fromUtf8(file.readAll());
}

// `ID, "text"` lines of the string table; "" inside a text is one quote.
QHash<int, QString> readStringTable(const QString &rc)
{
    static const QRegularExpression entry(QStringLiteral(R"re(^\s*(\d+)\s*,\s*"((?:[^"]|"")*)")re"),
                                          QRegularExpression::MultilineOption);
    QHash<int, QString> table;
    for (const auto &match : entry.globalMatch(rc))
        table.insert(match.captured(1).toInt(),
                     match.captured(2).replace(QStringLiteral("\"\""), QStringLiteral("\"")));
    return table;
}

// A list of links to the chapters, in their order, so a new chapter needs no
// entry of its own.
QString contentsList(const QString &html)
{
    static const QRegularExpression chapter(
        QStringLiteral(R"re(<h2 id="([\w-]+)"[^>]*>(.*?)</h2>)re"),
        QRegularExpression::DotMatchesEverythingOption);
    QString list = QStringLiteral("<ol class=\"contents\">\n");
    for (const auto &match : chapter.globalMatch(html))
        list += QStringLiteral("<li><a href=\"#%1\">%2</a></li>\n")
                    .arg(match.captured(1), match.captured(2));
    return list + QStringLiteral("</ol>");
}

std::optional<QString> fillPlaceholders(QString html, const QHash<int, QString> &strings,
                                        const QString &version)
{
    html.replace(QStringLiteral("{{version}}"), version.toHtmlEscaped());
    html.replace(QStringLiteral("{{contents}}"), contentsList(html));
    static const QRegularExpression placeholder(QStringLiteral(R"(\{\{(\d+)\}\})"));
    QRegularExpressionMatch match;
    while ((match = placeholder.match(html)).hasMatch()) {
        const int id = match.captured(1).toInt();
        if (!strings.contains(id)) {
            std::fprintf(stderr, "makepdf: string ID %d is not in the string table\n", id);
            return std::nullopt;
        }
        html.replace(match.capturedStart(), match.capturedLength(),
                     strings.value(id).toHtmlEscaped());
    }
    if (html.contains(QStringLiteral("{{"))) {
        std::fprintf(stderr, "makepdf: unknown placeholder left in the manual\n");
        return std::nullopt;
    }
    return html;
}

// The manual names its pictures relative to its own folder.
class ManualDocument : public QTextDocument
{
public:
    explicit ManualDocument(const QString &sourcePath) : folder(QFileInfo(sourcePath).dir()) {}

protected:
    QVariant loadResource(int type, const QUrl &name) override
    {
        if (type == QTextDocument::ImageResource && name.isRelative())
            return QImage(folder.filePath(name.path()));
        return QTextDocument::loadResource(type, name);
    }

private:
    QDir folder;
};

void writePdf(const QString &html, const QString &sourcePath, const QString &path)
{
    QPdfWriter writer(path);
    writer.setTitle(QStringLiteral("TQ540-2 configuration tool: user manual"));
    writer.setCreator(QStringLiteral("tq540config"));
    writer.setResolution(300);
    // print() puts its own 2 cm margin and the page numbers inside the page.
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    ManualDocument document(sourcePath);
    document.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    document.setHtml(html);
    document.print(&writer);
}

bool writeHtml(const QString &html, const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(html.toUtf8()) >= 0 && file.flush();
}

// The manual source with its placeholders filled in, or nothing after a
// message.
std::optional<QString> filledManual(const QString &manualPath, const QString &rcPath,
                                    const QString &version)
{
    const auto html = readText(manualPath);
    const auto rc = readText(rcPath);
    if (!html || !rc) {
        std::fprintf(stderr, "makepdf: cannot read the manual or the string table\n");
        return std::nullopt;
    }
    return fillPlaceholders(*html, readStringTable(*rc), version);
}

bool writeOutput(const QString &filled, bool htmlOnly, const QString &source, const QString &path)
{
    if (htmlOnly)
        return writeHtml(filled, path);
    writePdf(filled, source, path);
    // QPdfWriter reports no errors; an empty or missing file is the failure.
    return QFileInfo(path).size() > 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // Runs during the build, where there is no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool htmlOnly = !args.isEmpty() && args.first() == u"--html";
    if (htmlOnly)
        args.removeFirst();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: makepdf [--html] <manual.html> <lang.rc> <version> "
                             "<output.pdf or .html>\n");
        return 2;
    }
    const auto filled = filledManual(args[0], args[1], args[2]);
    if (!filled)
        return 1;
    if (writeOutput(*filled, htmlOnly, args[0], args[3]))
        return 0;
    std::fprintf(stderr, "makepdf: could not write %s\n", qPrintable(args[3]));
    return 1;
}
