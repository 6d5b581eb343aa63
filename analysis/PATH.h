// The paths of a path file as the shell shows them: steps over link-routes, the per-path cost
// totals and the path choice model of one origin-destination pair.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace zep::model {
class TCategory;
class TLinkRoute;
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::analysis::paths {

/// One step of a path.
struct TPathNode {
    const model::TLinkRoute* linkRoute = nullptr;
    bool reversed = false; ///< the file gave the link-route number negative
    bool boarding = false; ///< set by the totals: a boarding or transfer
    std::uint16_t overlapWeight = 0;
};

/// One alternative path of a pair, with its totals (filled by ComputeTotals).
class TPath {
public:
    // Zone indices and the path number are kept wider than the file's 16 and 8 bits: a study
    // with more zones, or a pair with more paths, must not show wrapped numbers.
    std::int32_t modeIndex = 0;
    std::int32_t originIndex = 0;
    std::int32_t destinationIndex = 0;
    std::int32_t number = 0; ///< 1-based within the pair

    double distance = 0;
    double turnDelay = 0; ///< hours, from the file
    double waitingTime = 0;
    double travelTime = 0;
    double energyCostRate = 0;
    double operatingCost = 0;
    double moneyCost = 0;
    double weightedMoneyCost = 0;
    double vehicleCharges = 0;
    double userCharges = 0;
    double penalisedTime = 0;
    double weightedPenalisedTime = 0;
    double probability = 0;
    double choiceWeight = 0;
    double generalisedCost = 0;
    double overlapCost = 0;
    std::int32_t boardings = 0; ///< boardings of operators that are not Non-motorized (walk)
    bool hasMotorisedBoarding = false;
    const model::TScenario* scenario = nullptr;

    std::vector<TPathNode> steps;
};

/// The paths of one ordered pair, in file order.
class TPathSet {
public:
    std::int32_t modeIndex = 0;
    std::int32_t originIndex = 0;
    std::int32_t destinationIndex = 0;
    bool mismatch = false; ///< some step named a link-route the project does not have
    double compositeCost = 0;
    const model::TProject* project = nullptr;
    const model::TScenario* scenario = nullptr;
    std::vector<std::unique_ptr<TPath>> paths;

    std::size_t Count() const { return paths.size(); }
    TPath* Get(std::size_t i) const { return i < paths.size() ? paths[i].get() : nullptr; }
};

/// Fills the totals of `path` for `category` (or none) with the values of time `vot` (travel)
/// and `vowt` (waiting), and marks its boarding steps.
void ComputeTotals(TPath& path, const model::TProject& project, const model::TCategory* category,
                   double vot, double vowt);

/// The path choice model: every path's totals, choice weight and probability, and the set's
/// composite cost, for `category` (nullptr: the mean values of time of the set's mode, and an
/// elasticity and logit scaling of 1).
void ComputePathChoice(TPathSet& set, const model::TCategory* category);

/// The Paths page's texts of a path: "No", "GenC", "OvrC", "Prob", "Dist", "Time", "Wait",
/// "Boardings", "VehCharg", "UsrCharg", "MonC", "TurnDelay", in that order.
std::vector<std::string> PathInfoTexts(const TPath& path);
/// The headings of PathInfoTexts.
const std::vector<std::string>& PathInfoHeadings();
/// The composite cost as the page shows it ("0.0##").
std::string CompositeCostText(double cost);
/// Fixed notation with `precision` significant digits and `decimals` decimals (scientific when
/// the integer part has more digits than the precision).
std::string FixedText(double value, int precision, int decimals);

} // namespace zep::analysis::paths
