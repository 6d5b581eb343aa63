#include "analysis/PATH.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <string>

#include "analysis/graph.h"
#include "foundation/Format.h"
#include "model/CATEGORY.h"
#include "model/LINK.h"
#include "model/LinkRouteCost.h"
#include "model/Mode.h"
#include "model/OPERATOR.h"
#include "model/Project.h"

namespace zep::analysis::paths {

using namespace zep::model;

void ComputeTotals(TPath& path, const TProject& project, const TCategory* category, double vot,
                   double vowt) {
    const TScenario* s = path.scenario;
    const TArcCoster coster(project, s, vot, vowt);
    const double turnDelay = path.turnDelay;
    path.distance = path.travelTime = path.penalisedTime = path.weightedPenalisedTime = 0;
    path.vehicleCharges = path.userCharges = path.energyCostRate = path.operatingCost = 0;
    path.waitingTime = path.moneyCost = path.weightedMoneyCost = 0;
    path.boardings = 0;
    path.hasMotorisedBoarding = false;

    std::set<const TOperator*> boarded;
    TLinkRouteCostRecord previous;
    TArcEnd prev;
    bool havePrevious = false;
    for (TPathNode& step : path.steps) {
        const TLinkRouteCostRecord r = LinkRouteCost(*step.linkRoute, s, category);
        const TArcEnd here{step.linkRoute, &r, true};
        TArcCostRecord q = coster.Cost(havePrevious ? &prev : nullptr, here, false);
        q.transferCost += r.additionalTransferCost;
        q.moneyCost += r.additionalTransferCost;

        const double w = step.overlapWeight;
        path.distance += r.distance;
        path.travelTime += r.travelTime;
        path.penalisedTime += r.penalisedTime;
        path.weightedPenalisedTime += w * r.penalisedTime;
        path.vehicleCharges += r.charges;
        path.userCharges += r.chargesPerUser;
        path.energyCostRate += r.energyCostPerUnitDistance;
        path.operatingCost += q.operatingCost;
        path.waitingTime += q.waitingTime;
        path.moneyCost += q.moneyCost;
        path.weightedMoneyCost += q.transferCost + (q.moneyCost - q.transferCost) * w;

        step.boarding = q.boarding;
        if (q.boarding) {
            const TOperator* op =
                step.linkRoute->Route() ? step.linkRoute->Route()->Operator() : nullptr;
            if (op && boarded.insert(op).second && category)
                if (const TOperatorCategory* oc = op->OperatorCategoryFor(category))
                    path.moneyCost += oc->GetFloatIn(s, TOperatorCategory::kAsc);
            if (op && op->Type() != otWalk) {
                ++path.boardings;
                path.hasMotorisedBoarding = true;
            }
        }
        previous = r;
        prev = TArcEnd{step.linkRoute, &previous, true};
        havePrevious = true;
    }
    path.generalisedCost =
        path.moneyCost + vot * (path.penalisedTime + turnDelay) + vowt * path.waitingTime;
    path.overlapCost =
        path.moneyCost + vot * (path.weightedPenalisedTime + turnDelay) + vowt * path.waitingTime;
}

void ComputePathChoice(TPathSet& set, const TCategory* category) {
    const TProject& project = *set.project;
    const TMode* mode = set.modeIndex >= 0 && std::size_t(set.modeIndex) < project.Modes().Count()
                            ? project.Modes().Get(std::size_t(set.modeIndex))
                            : nullptr;
    double vot = 0, vowt = 0;
    ValuesOfTime(project, mode, set.scenario, category, vot, vowt);
    set.compositeCost = 0;
    if (set.paths.empty()) return;
    const double theta =
        category ? category->GetFloatIn(set.scenario, TCategory::kPathChoiceElasticity) : 1.0;
    const double lambda =
        category ? category->GetFloatIn(set.scenario, TCategory::kPathChoiceLogitScaling) : 1.0;

    double leastOverlap = std::numeric_limits<double>::infinity();
    double leastGeneralised = std::numeric_limits<double>::infinity();
    for (auto& p : set.paths) {
        ComputeTotals(*p, project, category, vot, vowt);
        leastOverlap = std::min(leastOverlap, p->overlapCost);
        leastGeneralised = std::min(leastGeneralised, p->generalisedCost);
    }
    const double mo = lambda != 0 ? std::pow(leastOverlap, lambda) : 1.0;
    const double mg = lambda != 0 ? std::pow(leastGeneralised, lambda) : 1.0;
    double sum = 0, u = 0;
    for (auto& p : set.paths) {
        p->choiceWeight = std::exp(-theta * p->overlapCost / mo);
        sum += p->choiceWeight;
        u += (1 - u) * p->choiceWeight;
    }
    set.compositeCost = -std::log(u) * mg / theta;
    for (auto& p : set.paths)
        p->probability = p->choiceWeight / sum;
}

// ---- texts --------------------------------------------------------------------------------------

std::string FixedText(double value, int precision, int decimals) {
    if (!std::isfinite(value)) return FloatToStrGeneral(value);
    const double magnitude = std::fabs(value);
    if (magnitude >= std::pow(10.0, precision)) return FloatToStrGeneral(value, precision);
    // Round to the significant digits first, then show the decimals.
    if (magnitude > 0) {
        const int digits = static_cast<int>(std::floor(std::log10(magnitude))) + 1;
        const int keep = precision - digits;
        if (keep < decimals) {
            const double scale = std::pow(10.0, keep);
            value = std::round(value * scale) / scale;
        }
    }
    return FloatToStrFixed(value, decimals);
}

std::string CompositeCostText(double cost) {
    if (!std::isfinite(cost)) return FloatToStrGeneral(cost);
    std::string t = FloatToStrFixed(cost, 3);
    while (t.size() > 1 && t.back() == '0' && t[t.size() - 2] != '.')
        t.pop_back();
    return t;
}

const std::vector<std::string>& PathInfoHeadings() {
    static const std::vector<std::string> h = {"No",       "GenC",     "OvrC", "Prob",
                                               "Dist",     "Time",     "Wait", "Boardings",
                                               "VehCharg", "UsrCharg", "MonC", "TurnDelay"};
    return h;
}

std::vector<std::string> PathInfoTexts(const TPath& p) {
    return {std::to_string(p.number),          FixedText(p.generalisedCost, 7, 3),
            FixedText(p.overlapCost, 7, 3),    FixedText(p.probability, 5, 3),
            FixedText(p.distance, 6, 2),       HoursText(p.travelTime),
            HoursText(p.waitingTime),          std::to_string(p.boardings),
            FixedText(p.vehicleCharges, 6, 2), FixedText(p.userCharges, 6, 2),
            FixedText(p.moneyCost, 6, 2),      HoursText(p.turnDelay)};
}

} // namespace zep::analysis::paths
