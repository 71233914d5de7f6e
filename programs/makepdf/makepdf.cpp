// Build-time tool: turns the manual's HTML source into the PDF help document.
//
//   makepdf <manual.html> <lang.rc> <version> <output.pdf>
//
// {{version}} in the source becomes the program's version and {{NNNN}} the
// English text of string ID NNNN, so the manual quotes the program's messages
// exactly. An ID missing from lang.rc fails the build.

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QPageLayout>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
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

std::optional<QString> fillPlaceholders(QString html, const QHash<int, QString> &strings,
                                        const QString &version)
{
    html.replace(QStringLiteral("{{version}}"), version.toHtmlEscaped());
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

void writePdf(const QString &html, const QString &path)
{
    QPdfWriter writer(path);
    writer.setTitle(QStringLiteral("TQ540-2 configuration tool: user manual"));
    writer.setCreator(QStringLiteral("tq540config"));
    writer.setResolution(300);
    // print() puts its own 2 cm margin and the page numbers inside the page.
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    QTextDocument document;
    document.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    document.setHtml(html);
    document.print(&writer);
}

} // namespace

int main(int argc, char *argv[])
{
    // Runs during the build, where there is no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: makepdf <manual.html> <lang.rc> <version> <output.pdf>\n");
        return 2;
    }
    const auto html = readText(args[1]);
    const auto rc = readText(args[2]);
    if (!html || !rc) {
        std::fprintf(stderr, "makepdf: cannot read the manual or the string table\n");
        return 1;
    }
    const auto filled = fillPlaceholders(*html, readStringTable(*rc), args[3]);
    if (!filled)
        return 1;
    writePdf(*filled, args[4]);
    // QPdfWriter reports no errors; an empty or missing file is the failure.
    if (QFileInfo(args[4]).size() <= 0) {
        std::fprintf(stderr, "makepdf: could not write %s\n", qPrintable(args[4]));
        return 1;
    }
    return 0;
}
