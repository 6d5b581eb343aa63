// Reports on a scenario's assignment results: link loads, loads per operator and per route, and
// vehicle-distance by speed class, for the links of an area and of chosen link types and
// operators, written as comma-separated text or as an HTML table; and the report settings file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Exception.h"
#include "model/LinkRouteCost.h"
#include "model/Polylines.h"

namespace zep {
class TXMLGenerator;
namespace minidom {
class TElement;
}
} // namespace zep

namespace zep::model {
class TEntity;
class TLink;
class TLinkList;
class TProject;
class TScenario;
class TServiceLevel;
} // namespace zep::model

namespace zep::modelio {

/// "Detail level not implemented", "Cannot write to file "<name>".", a class width that cannot
/// make classes.
ZEP_DECLARE_EXCEPTION(EReportError, Exception);

/// The map area a report covers. The report layer sits beside the map selections, not above
/// them, so it sees an area only through this interface; the caller adapts its selection.
class IReportArea {
public:
    virtual ~IReportArea() = default;
    virtual bool Contains(model::TFloatPoint p) const = 0;
    /// Writes the element "selection" with the area's own element inside.
    virtual void Write(TXMLGenerator& generator) const = 0;
};

/// nullptr stands for "no selection made": the whole network.
using PReportArea = std::shared_ptr<const IReportArea>;
/// Turns the settings element (the parent of "selection") into an area; nullptr for none.
using TReportAreaReader = std::function<PReportArea(const minidom::TElement& settings)>;

/// The report format kinds.
enum TReportKind : int {
    rkLinkRoute = 0,  ///< "By Link and &Route"
    rkOperator = 1,   ///< "By Link and &Operator"
    rkLink = 2,       ///< "By &Link"
    rkSpeedClass = 3, ///< "By S&peed Class Operator"
};

/// The output forms: comma-separated text, or (1 or 2) an HTML table spreadsheets open.
enum TReportOutput : int { roCommaText = 0, roHtml = 1 };

/// The decimal text of the absolute identifier.
std::string IdentifierText(std::int64_t id);
std::string IdentifierText(const model::TEntity& entity);

/// Appends one cell as comma text: a cell holding a blank, a control character, a comma or a
/// double quote is enclosed in double quotes, its quotes doubled.
void AppendCommaTextCell(std::string& out, std::string_view cell);
/// Splits one line of comma text back into its cells (the inverse of joining cells with ",").
std::vector<std::string> SplitCommaText(std::string_view line);

/// Fixed notation with `decimals` places; "" for a number that is not finite.
std::string ReportNumber(double value, int decimals = 1);
/// Hours as "h:mm:ss", "FOREVER" when infinite.
std::string ClockText(double hours);

/// The service level of a link in a scenario: its "speed" relative to the largest free-flow
/// speed its link type allows any operator there. The levels are the project's service level
/// list in order (Level A first); a share above 0.85 gives the first, above 0.67 the second,
/// then 0.50, 0.40, 0.30, 0.20, 0.10, and anything slower the eighth. nullptr when the link
/// has no type, the type no positive reference speed, or the project fewer levels.
const model::TServiceLevel* LinkServiceLevel(const model::TProject& project,
                                             const model::TLink& link,
                                             const model::TScenario* scenario);
/// The lower bounds of the speed shares of the levels, first level first.
const std::vector<double>& ServiceLevelShares();

/// Collects a report's rows and writes them in the output form as they come. The first row is
/// the header (its cells become table headings in the HTML form).
class TReportTable {
public:
    explicit TReportTable(int outputFormat);
    void AddRow(const std::vector<std::string>& cells);
    std::size_t RowCount() const { return rows_; }
    /// The whole text: rows joined with CR LF, or the HTML document.
    std::string Finish();

private:
    bool html_;
    std::size_t rows_ = 0;
    std::string text_;
};

/// The report's filter and settings: the area, the excluded link types and operators (sorted
/// identifier texts without duplicates), the speed class width and the format kind last chosen.
class TLinkSelector {
public:
    static constexpr double kDefaultClassWidth = 5;

    const PReportArea& Area() const { return area_; }
    void SetArea(PReportArea area) { area_ = std::move(area); }
    /// Both end nodes inside the area (every link when there is no area).
    bool InArea(const model::TLink& link) const;

    /// Whether the link stays out of the report: outside the area, without a type in the
    /// scenario, of an excluded type, or carrying only routes of excluded operators.
    bool Excludes(const model::TLink& link, const model::TScenario* scenario) const;

    void ExcludeLinkType(std::string_view idText) { Insert(linkTypes_, idText); }
    void IncludeLinkType(std::string_view idText) { Erase(linkTypes_, idText); }
    void ExcludeOperator(std::string_view idText) { Insert(operators_, idText); }
    void IncludeOperator(std::string_view idText) { Erase(operators_, idText); }
    bool IsLinkTypeIncluded(std::string_view idText) const { return !Holds(linkTypes_, idText); }
    bool IsOperatorIncluded(std::string_view idText) const { return !Holds(operators_, idText); }
    const std::vector<std::string>& ExcludedLinkTypes() const { return linkTypes_; }
    const std::vector<std::string>& ExcludedOperators() const { return operators_; }

    double ClassWidth() const { return classWidth_; }
    void SetClassWidth(double width) { classWidth_ = width; }
    int FormatKind() const { return formatKind_; }
    void SetFormatKind(int kind) { formatKind_ = kind; }

    /// The links of the project's list that lie in the area, in list order.
    void RefreshLinks(const model::TLinkList& links);
    void SetProject(const model::TProject& project);
    const std::vector<model::TLink*>& Links() const { return links_; }

    /// The report of `formatKind` for the scenario in the output form, appended to `text`.
    /// Progress rises from 0 to 0.5 over the links. Raises EReportError "Detail level not
    /// implemented" for an unknown kind, and for a class width that is not above 0 (speed
    /// classes only).
    void WriteReport(const model::TProject& project, const model::TScenario* scenario,
                     std::string& text, int formatKind, int outputFormat) const;

    /// The element "reportSettings": format, area, filters, class width.
    void SaveSettings(TXMLGenerator& generator) const;
    /// Reads what `element` ("reportSettings") holds; what it lacks stays as it was, except
    /// that the exclusion lists are always cleared first and the area is always replaced.
    void LoadSettings(const minidom::TElement& element, const TReportAreaReader& readArea);

private:
    static void Insert(std::vector<std::string>& list, std::string_view idText);
    static void Erase(std::vector<std::string>& list, std::string_view idText);
    static bool Holds(const std::vector<std::string>& list, std::string_view idText);

    PReportArea area_;
    std::vector<model::TLink*> links_;
    std::vector<std::string> linkTypes_;
    std::vector<std::string> operators_;
    double classWidth_ = kDefaultClassWidth;
    int formatKind_ = rkLinkRoute;
};

/// The output form a report file name asks for: HTML for a name ending in ".xls" (any case),
/// comma-separated text otherwise.
int ReportOutputFor(std::string_view fileName);
/// Writes the report to `fileName` (its directory made when missing) through a temporary file.
/// A write failure raises EReportError "Cannot write to file "<fileName>".".
void SaveReport(const TLinkSelector& selector, const model::TProject& project,
                const model::TScenario* scenario, int formatKind, const std::string& fileName);
/// The settings file; write failures as SaveReport.
void SaveReportSettings(const TLinkSelector& selector, const std::string& fileName);
/// Reads a settings file into the selector; parse errors pass on.
void LoadReportSettings(TLinkSelector& selector, const std::string& fileName,
                        const TReportAreaReader& readArea);
/// "Assignment Report.xml" in the project's directory.
std::string ReportSettingsFileName(const model::TProject& project);
/// The proposed report name: "energy_" + project code + scenario code, without directory.
std::string ProposedReportName(const model::TProject& project, const model::TScenario* scenario);

// ---- the reporters --------------------------------------------------------------------------

/// Base of the row reporters: the output form and the filter they report for.
class TReporter {
public:
    TReporter(int outputFormat, const TLinkSelector& selector)
        : outputFormat_(outputFormat), selector_(selector) {}
    virtual ~TReporter() = default;
    /// Adds the column names.
    virtual void Columns(std::vector<std::string>& list) const = 0;
    /// Adds the rows of one (not excluded) link.
    virtual void AddRows(const model::TLink& link, const model::TProject& project,
                         TReportTable& rows, const model::TScenario* scenario) = 0;

    int OutputFormat() const { return outputFormat_; }
    const TLinkSelector& Selector() const { return selector_; }

private:
    int outputFormat_;
    const TLinkSelector& selector_;
};

/// One row per link: Id, Orig, Dest, LinkName, Type, Dist, LinkCap, Dem/Cap, StVeh, TotVeh,
/// ServLev.
class TLinkReporter : public TReporter {
public:
    using TReporter::TReporter;
    void Columns(std::vector<std::string>& list) const override;
    void AddRows(const model::TLink& link, const model::TProject& project, TReportTable& rows,
                 const model::TScenario* scenario) override;

protected:
    /// Replaces `cells` with the link columns of the link.
    void LinkCells(const model::TLink& link, const model::TProject& project,
                   const model::TScenario* scenario);
    std::vector<std::string> cells_; // reused row after row
    std::size_t linkCellCount_ = 0;
    /// The cost records of the link's route-links, in the link's list order.
    std::vector<model::TLinkRouteCostRecord> records_;
};

/// One row per operator present on the link, its route-links summed.
class TOperatorReporter : public TLinkReporter {
public:
    using TLinkReporter::TLinkReporter;
    void Columns(std::vector<std::string>& list) const override;
    void AddRows(const model::TLink& link, const model::TProject& project, TReportTable& rows,
                 const model::TScenario* scenario) override;
};

/// One row per route-link of the link.
class TLinkRouteReporter : public TLinkReporter {
public:
    using TLinkReporter::TLinkReporter;
    void Columns(std::vector<std::string>& list) const override;
    void AddRows(const model::TLink& link, const model::TProject& project, TReportTable& rows,
                 const model::TScenario* scenario) override;
};

/// Vehicle-distance (length times vehicles) per speed class and operator. A route-link's class
/// is its speed over the class width, rounded up; class 0 and below are counted nowhere.
class TSpeedClassTable {
public:
    /// Raises EReportError when the width is not a positive finite number.
    TSpeedClassTable(const model::TProject& project, double classWidth);
    void AddLink(const model::TLink& link, const model::TScenario* scenario);
    void Write(TReportTable& table) const;
    /// The cell of a class (from 1) and an operator position; 0 outside the table.
    double Cell(std::size_t speedClass, std::size_t operatorIndex) const;
    std::size_t HighestClass() const { return cells_.size(); }

private:
    const model::TProject& project_;
    double width_;
    std::vector<std::vector<double>> cells_; // [class - 1][operator position]
};

} // namespace zep::modelio
