// The rows of the assignment reports: per link, per link and operator, per link and route, and
// the vehicle-distance by speed class.
#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "foundation/Format.h"
#include "model/ADMIN.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "modelio/EnergyReports.h"

namespace zep::modelio {

using namespace model;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Sums of vehicles are shown as whole vehicles; halves go up.
double RoundHalfUp(double v) {
    return std::floor(v + 0.5);
}

/// "<value × 100 / capacity>%", or `otherwise` when the capacity is not above 0.
std::string Percentage(double value, double capacity, const char* otherwise) {
    if (!(capacity > 0)) return otherwise;
    const std::string text = ReportNumber(value * 100.0 / capacity);
    return text.empty() ? text : text + "%";
}

const TOperator* OperatorOf(const TLinkRoute& lr) {
    return lr.Route() ? lr.Route()->Operator() : nullptr;
}

/// The operator's position in the project's list (its list index when that is still right).
std::size_t OperatorPosition(const TProject& project, const TOperator* op) {
    const TOperatorList& ops = project.Operators();
    const std::int32_t index = op->ListIndex();
    if (index >= 0 && std::size_t(index) < ops.Count() && ops.Get(std::size_t(index)) == op)
        return std::size_t(index);
    for (std::size_t i = 0; i < ops.Count(); ++i)
        if (ops.Get(i) == op) return i;
    return ops.Count();
}

/// The free-flow speed of the operator on the link's type; "" when the type has no data for it.
std::string InitialSpeed(const TLink& link, const TOperator* op, const TScenario* s) {
    const TLinkType* type = link.LinkTypeIn(s);
    const TLinkTypeOper* data = type && op ? type->OperatorData(op) : nullptr;
    return data ? ReportNumber(data->FreeFlowSpeedIn(s)) : std::string();
}

/// A route's waiting time before the assignment: half the headway of its minimum frequency.
double InitialWaitingTime(const TRoute& route, const TScenario* s) {
    const double frequency = route.GetFloatIn(s, TRoute::kMinFreq);
    return frequency > 0 ? 1.0 / (2.0 * frequency) : kInf;
}

} // namespace

// ---- by link --------------------------------------------------------------------------------

void TLinkReporter::Columns(std::vector<std::string>& list) const {
    for (const char* name : {"Id", "Orig", "Dest", "LinkName", "Type", "Dist", "LinkCap", "Dem/Cap",
                             "StVeh", "TotVeh", "ServLev"})
        list.emplace_back(name);
}

void TLinkReporter::LinkCells(const TLink& link, const TProject& project, const TScenario* s) {
    records_.clear();
    double equivalent = 0, vehicles = 0;
    const TLinkRouteList& routes = link.LinkRoutes();
    for (std::size_t i = 0; i < routes.Count(); ++i) {
        records_.push_back(LinkRouteCost(*routes.Get(i), s, nullptr));
        equivalent += records_.back().equivalentVehicles;
        vehicles += records_.back().vehicles;
    }
    equivalent = RoundHalfUp(equivalent);
    vehicles = RoundHalfUp(vehicles);
    const double capacity = link.GetFloatIn(s, TLink::kCapacity);
    const TLinkType* type = link.LinkTypeIn(s);
    const TServiceLevel* level = LinkServiceLevel(project, link, s);

    cells_.resize(11);
    cells_[0] = IdentifierText(link);
    cells_[1] = link.Tail() ? IdentifierText(*link.Tail()) : std::string();
    cells_[2] = link.Head() ? IdentifierText(*link.Head()) : std::string();
    cells_[3] = link.GetStringIn(s, TLink::kLinkName);
    cells_[4] = type ? IdentifierText(*type) : std::string();
    cells_[5] = ReportNumber(link.GetFloatIn(s, TLink::kLength));
    cells_[6] = ReportNumber(capacity);
    cells_[7] = Percentage(equivalent, capacity, "");
    cells_[8] = ReportNumber(equivalent);
    cells_[9] = ReportNumber(vehicles);
    cells_[10] = level ? level->GetName() : std::string();
    linkCellCount_ = cells_.size();
}

void TLinkReporter::AddRows(const TLink& link, const TProject& project, TReportTable& rows,
                            const TScenario* s) {
    LinkCells(link, project, s);
    rows.AddRow(cells_);
}

// ---- by link and operator -------------------------------------------------------------------

void TOperatorReporter::Columns(std::vector<std::string>& list) const {
    TLinkReporter::Columns(list);
    for (const char* name : {"OperId", "OperName", "Capac", "Demand", "Vehics", "Dem/Cap", "StVeh",
                             "IniSpeed", "FinSpeed", "Energy"})
        list.emplace_back(name);
}

void TOperatorReporter::AddRows(const TLink& link, const TProject& project, TReportTable& rows,
                                const TScenario* s) {
    LinkCells(link, project, s);
    struct TSums {
        std::size_t position;
        const TOperator* op;
        double capacity = 0, volume = 0, vehicles = 0, equivalent = 0, energy = 0, speed = 0;
    };
    std::vector<TSums> sums;
    const TLinkRouteList& routes = link.LinkRoutes();
    for (std::size_t i = 0; i < routes.Count(); ++i) {
        const TOperator* op = OperatorOf(*routes.Get(i));
        if (!op) continue;
        auto it =
            std::find_if(sums.begin(), sums.end(), [&](const TSums& t) { return t.op == op; });
        if (it == sums.end()) {
            sums.push_back({OperatorPosition(project, op), op});
            it = sums.end() - 1;
        }
        const TLinkRouteCostRecord& r = records_[i];
        it->capacity += r.passengerCapacity;
        it->volume += r.volume;
        it->vehicles += r.vehicles;
        it->equivalent += r.equivalentVehicles;
        it->energy += r.energy;
        it->speed = r.speed; // the operator's last route-link on the link
    }
    std::stable_sort(sums.begin(), sums.end(),
                     [](const TSums& a, const TSums& b) { return a.position < b.position; });
    for (const TSums& t : sums) {
        cells_.resize(linkCellCount_);
        cells_.push_back(IdentifierText(*t.op));
        cells_.push_back(t.op->GetName());
        cells_.push_back(ReportNumber(t.capacity));
        cells_.push_back(ReportNumber(t.volume));
        cells_.push_back(ReportNumber(t.vehicles));
        cells_.push_back(Percentage(t.volume, t.capacity, "0.0"));
        cells_.push_back(ReportNumber(t.equivalent));
        cells_.push_back(InitialSpeed(link, t.op, s));
        cells_.push_back(ReportNumber(t.speed));
        cells_.push_back(ReportNumber(t.energy, 3));
        rows.AddRow(cells_);
    }
}

// ---- by link and route ----------------------------------------------------------------------

void TLinkRouteReporter::Columns(std::vector<std::string>& list) const {
    TLinkReporter::Columns(list);
    for (const char* name :
         {"OperId", "OperName", "RouteId", "RouteName", "Capac", "Demand", "Vehics", "Dem/Cap",
          "StVeh", "IniSpeed", "FinSpeed", "IniWait", "FinWait", "Energy"})
        list.emplace_back(name);
}

void TLinkRouteReporter::AddRows(const TLink& link, const TProject& project, TReportTable& rows,
                                 const TScenario* s) {
    LinkCells(link, project, s);
    const TLinkRouteList& routes = link.LinkRoutes();
    for (std::size_t i = 0; i < routes.Count(); ++i) {
        const TLinkRoute& lr = *routes.Get(i);
        const TRoute* route = lr.Route();
        const TOperator* op = OperatorOf(lr);
        const TLinkRouteCostRecord& r = records_[i];
        cells_.resize(linkCellCount_);
        cells_.push_back(op ? IdentifierText(*op) : std::string());
        cells_.push_back(op ? op->GetName() : std::string());
        cells_.push_back(route ? IdentifierText(*route) : std::string());
        cells_.push_back(route ? route->GetName() : std::string());
        cells_.push_back(ReportNumber(r.passengerCapacity));
        cells_.push_back(ReportNumber(r.volume));
        cells_.push_back(ReportNumber(r.vehicles));
        cells_.push_back(Percentage(r.volume, r.passengerCapacity, ""));
        cells_.push_back(ReportNumber(r.equivalentVehicles));
        cells_.push_back(InitialSpeed(link, op, s));
        cells_.push_back(ReportNumber(r.speed));
        cells_.push_back(route ? ClockText(InitialWaitingTime(*route, s)) : std::string());
        cells_.push_back(ClockText(r.waitingTime));
        cells_.push_back(ReportNumber(r.energy, 3));
        rows.AddRow(cells_);
    }
}

// ---- by speed class -------------------------------------------------------------------------

namespace {
// More classes than this come from a width far too small for the speeds; the table would be
// millions of empty lines.
constexpr double kMostSpeedClasses = 1e6;
} // namespace

TSpeedClassTable::TSpeedClassTable(const TProject& project, double classWidth)
    : project_(project), width_(classWidth) {
    if (!(classWidth > 0) || !std::isfinite(classWidth))
        throw EReportError("The speed class range must be a number above 0, not " +
                           FloatToStrGeneral(classWidth, 15) + ".");
}

void TSpeedClassTable::AddLink(const TLink& link, const TScenario* s) {
    const double length = link.GetFloatIn(s, TLink::kLength);
    const TLinkRouteList& routes = link.LinkRoutes();
    for (std::size_t i = 0; i < routes.Count(); ++i) {
        const TLinkRoute& lr = *routes.Get(i);
        const TOperator* op = OperatorOf(lr);
        if (!op) continue;
        const double speed = LinkRouteCost(lr, s, nullptr).speed;
        const double speedClass = std::ceil(speed / width_);
        if (!(speedClass >= 1)) continue; // standing still (or no speed at all)
        if (speedClass > kMostSpeedClasses)
            throw EReportError(Format("A speed of %s gives more than %d speed classes; choose a "
                                      "wider speed class range.",
                                      {FloatToStrGeneral(speed, 7), int(kMostSpeedClasses)}));
        const std::size_t k = std::size_t(speedClass);
        if (cells_.size() < k) cells_.resize(k, std::vector<double>(project_.Operators().Count()));
        const std::size_t position = OperatorPosition(project_, op);
        if (position < cells_[k - 1].size())
            cells_[k - 1][position] += length * lr.GetFloatIn(s, TLinkRoute::kVehicles);
    }
}

double TSpeedClassTable::Cell(std::size_t speedClass, std::size_t operatorIndex) const {
    if (speedClass < 1 || speedClass > cells_.size()) return 0;
    const std::vector<double>& row = cells_[speedClass - 1];
    return operatorIndex < row.size() ? row[operatorIndex] : 0;
}

void TSpeedClassTable::Write(TReportTable& table) const {
    const TOperatorList& ops = project_.Operators();
    std::vector<std::string> cells{"", "Vehicle-Distance by operator"};
    for (std::size_t i = 1; i < ops.Count(); ++i)
        cells.emplace_back();
    table.AddRow(cells);
    cells.assign(1, "");
    for (std::size_t i = 0; i < ops.Count(); ++i)
        cells.push_back(IdentifierText(*ops.Get(i)));
    table.AddRow(cells);
    cells.assign(1, "Speed Class");
    for (std::size_t i = 0; i < ops.Count(); ++i)
        cells.push_back(ops.Get(i)->GetName());
    table.AddRow(cells);
    for (std::size_t k = 1; k <= cells_.size(); ++k) {
        cells.assign(1, ReportNumber(width_ * double(k), 2));
        for (std::size_t i = 0; i < ops.Count(); ++i)
            cells.push_back(ReportNumber(Cell(k, i)));
        table.AddRow(cells);
    }
}

} // namespace zep::modelio
