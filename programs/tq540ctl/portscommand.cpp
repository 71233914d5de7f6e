// tq540ctl ports: the serial ports of this machine, the COM number each has in
// the port map, and whether it can be opened now.

#include "arguments.h"
#include "devicejson.h"
#include "portlist.h"
#include "subcommand.h"

#include <QJsonArray>

namespace tq540ctl {

namespace {

using portlist::SystemPort;

QString accessWord(portlist::Access access, const QString &detail)
{
    switch (access) {
    case portlist::Access::Free:
        return QStringLiteral("free");
    case portlist::Access::Busy:
        return QStringLiteral("busy");
    case portlist::Access::NoPermission:
        return QStringLiteral("no permission");
    case portlist::Access::Failed:
        break;
    }
    return detail.isEmpty() ? QStringLiteral("cannot be opened") : detail;
}

QString usbId(const std::optional<std::uint16_t> &id)
{
    return id ? QString::number(*id, 16).rightJustified(4, u'0') : QString();
}

// One port's facts as texts, in the order of the table's columns.
struct PortFacts
{
    QStringList coms;
    SystemPort port;
    QString access;
};

std::vector<PortFacts> gather()
{
    std::vector<PortFacts> facts;
    for (const SystemPort &port : portlist::systemPorts()) {
        PortFacts fact{{}, port, {}};
        for (int com : portlist::comNumbersOf(port))
            fact.coms << QString::number(com);
        QString detail;
        fact.access = accessWord(portlist::checkAccess(port, &detail), detail);
        facts.push_back(fact);
    }
    return facts;
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonArray toJson(const std::vector<PortFacts> &facts)
{
    QJsonArray ports;
    for (const PortFacts &f : facts) {
        QJsonArray coms;
        for (const QString &com : f.coms)
            coms.append(com.toInt());
        ports.append(QJsonObject{{"com", coms},
                                 {"name", f.port.name},
                                 {"path", f.port.path},
                                 {"description", textOrNull(f.port.description)},
                                 {"manufacturer", textOrNull(f.port.manufacturer)},
                                 {"vendorId", textOrNull(usbId(f.port.vendorId))},
                                 {"productId", textOrNull(usbId(f.port.productId))},
                                 {"serialNumber", textOrNull(f.port.serialNumber)},
                                 {"access", f.access}});
    }
    return ports;
}

void printTable(const std::vector<PortFacts> &facts)
{
    std::vector<QStringList> rows{
        {"COM", "Device", "Description", "Manufacturer", "USB ID", "Serial number", "Open"}};
    for (const PortFacts &f : facts) {
        const QString usb = f.port.vendorId || f.port.productId
                                ? usbId(f.port.vendorId) + u':' + usbId(f.port.productId)
                                : QString();
        rows.push_back({f.coms.isEmpty() ? QStringLiteral("-") : f.coms.join(u','), f.port.path,
                        f.port.description, f.port.manufacturer, usb, f.port.serialNumber,
                        f.access});
    }
    std::vector<qsizetype> widths(rows.front().size(), 0);
    for (const QStringList &row : rows)
        for (qsizetype c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], row[c].size());
    for (const QStringList &row : rows) {
        QString line;
        for (qsizetype c = 0; c < row.size(); ++c)
            line += row[c].leftJustified(widths[c] + 2);
        out() << line.trimmed() << '\n';
    }
}

int ports(const QStringList &args)
{
    bool json = false;
    if (const diagnostic::Problem problem = readArguments(args, {{{"--json"}, nullptr, &json}}))
        return usageError(problem);
    const std::vector<PortFacts> facts = gather();
    if (json)
        out() << jsonText(toJson(facts));
    else if (facts.empty())
        out() << "No serial ports found.\n";
    else
        printTable(facts);
    out().flush();
    return exitOk;
}

[[maybe_unused]] const bool registered = addSubcommand(
    {QStringLiteral("ports"), QStringLiteral("[--json]"),
     QStringLiteral("List the serial ports and the COM numbers that lead to them."), ports,
     QStringLiteral(
         "Lists every serial port the system has, and the devices the port map names that the\n"
         "system does not list (a simulator's pseudo-terminal, say): the COM numbers that lead\n"
         "to it (the port map Ports/COMn, else COM1-8 = /dev/ttyS0-7, COM9-12 =\n"
         "/dev/ttyUSB0-3, COM13-16 = /dev/ttyACM0-3; '-' for none), its device path,\n"
         "description, manufacturer, USB vendor:product ID and serial number where known,\n"
         "and whether it can be opened now: free, busy (another program holds it), no\n"
         "permission, or why not (no such device, not a serial port, the driver's text).\n"
         "To find that out each port is opened for a moment and closed again."),
     QStringLiteral(
         "  --json        Print one JSON array of objects: com (array of numbers), name,\n"
         "                path, description, manufacturer, vendorId, productId (4 hex\n"
         "                digits), serialNumber (null when unknown) and access (\"free\",\n"
         "                \"busy\", \"no permission\" or why it cannot be opened).\n"),
     QStringLiteral("Exit status: 0, or 2 for bad arguments."),
     QStringLiteral("  tq540ctl ports --json")});

} // namespace

} // namespace tq540ctl
