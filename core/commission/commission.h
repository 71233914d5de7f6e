#pragma once

#include "diagnostic.h"
#include "m.h"
#include "plan.h"
#include "report.h"
#include "transferdriver.h"

#include <QString>
#include <functional>
#include <vector>

// Commissioning a site from a checked plan: row by row, the device gets its
// configuration with site::uploadConfirmed (written with verify, reset, found
// again at the speed the configuration sets, read back), and the report
// records it, with the device's configuration sheet, before the next row
// begins.
namespace commission {

// Watches a run on behalf of a front end: row k of n and the stages of its
// transfers (the link record's Total and Done give the percentage).
class Observer : public TransferObserver
{
public:
    // Row k (counted from 1 in the plan) of n is about to be written.
    virtual void rowBegins(int /*k*/, int /*n*/, const Job & /*job*/) {}
    // It is recorded; `entry.result` 0 when the device runs its file.
    virtual void rowEnds(const Job & /*job*/, const ReportEntry & /*entry*/) {}
    // Asked between rows: true ends the run there. The device being written
    // is always finished first.
    virtual bool stopRequested() { return false; }
};

struct Request
{
    QString folder; // the report's; made when missing
    // Writes rows the report says are done already too.
    bool again = false;
    std::function<QString()> now; // the time recorded, ISO 8601 in UTC; empty: the clock's
};

// What became of one row of the plan.
struct RowOutcome
{
    enum class Fate {
        Written,    // tried now; `entry` (recorded) says how it went
        Skipped,    // done already: `entry` is the report's record of it
        NotReached, // the run stopped before it; `entry` holds LINK_CANCELLED
    };
    Fate fate = Fate::NotReached;
    ReportEntry entry;
};

struct Outcome
{
    // 0 when every row is done (now or before); otherwise the result of the
    // first row in the plan that is not: a device link result, or
    // site::RESULT_FILE_FAILED when its sheet or the report could not be
    // written (`problem` then says which).
    std::int32_t status = 0;
    diagnostic::Problem problem;
    std::vector<RowOutcome> rows; // the plan's rows, in its order
};

// Runs `plan` on `link` and appends to `report`, which is written into the
// request's folder (made when missing) before the first row and after each
// row. A row whose device the report last recorded as done, on the same port
// at the same address with a file of the same SHA-256, is skipped unless the
// request says `again`. A row that fails is recorded and the next one follows;
// a stop, or a report that cannot be written, leaves the rest not reached.
// A speed search starts at the speed the report last found the device at,
// else at 9600 baud, where a device leaves the factory.
Outcome run(m::tLink &link, const Plan &plan, Report &report, const Request &request,
            Observer &observer);

} // namespace commission
