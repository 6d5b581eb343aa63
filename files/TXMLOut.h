// The XML exchange form of a project, written: every entity kind in the order the reader needs
// (everything an element refers to comes before it), plain or gzip-compressed.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "foundation/Stream.h"

namespace zep {
class TXMLGenerator;
}

namespace zep::model {
class TEntity;
class TProject;
class TProperty;
class TPropSpec;
class TPropSpecSet;
class TScenario;
class TValue;
} // namespace zep::model

namespace zep::files {

/// Writes one project as an XML document: every list in its sorted order and every entity's
/// versions compacted (values equal to what the parent scenario gives are left out). The
/// project itself is not changed, so that a write never disturbs the undo history.
///
/// The document keeps the whole study. What a reader of the lists, `def` and `prop` alone
/// would lose goes into elements such a reader skips, placed where their references resolve:
/// - `def_id` / `prop_id` (id, value, in): a value whose name does not lead back to its
///   property (a sector-zone record's `exog_prod` held for all scenarios, a sector's
///   `dist_logit_scaling` held per scenario) or that such a reader would not take
///   (`is_public`, a turn's `restriction`, a node's `used`);
/// - `project_values` after `scenarios`: the study's own values in the other scenarios;
/// - `kind="external"` on a `zone`; `macro_zones` / `macro_zone` with `member zone=` children;
/// - `category_modes` / `category_mode category= mode=` (available modes, in order);
/// - `substitute sector=` children of a `sector_interaction`; `sector_category_data` /
///   `sector_category sector= category= type=`;
/// - `od_pairs` / `od_pair`: an OD pair's own values;
/// - `attraction_functions` / `function` with `attractor` children.
/// Values are written in full: reals in the shortest text that reads back to the same double,
/// integers and enumerations as numbers, and values equal to the default in the root too.
class TXMLWriter {
public:
    explicit TXMLWriter(model::TProject& project);
    /// Writes the whole document to `output` (not owned); progress goes to ShowProgress.
    void Write(TStream& output);

private:
    using TAttributes = std::vector<std::pair<const char*, std::string>>;
    /// Opens `element`, writes `leading` attributes and the entity, closes the element.
    void WriteEntity(const char* element, model::TEntity& entity, const TAttributes& leading = {});
    /// The entity's attributes, desc, def and prop elements into the element open now.
    void WriteContent(model::TEntity& entity);
    void WriteAttributes(model::TEntity& entity);
    /// desc, def and prop elements.
    void WriteValues(model::TEntity& entity);
    void WriteDesc(const model::TEntity& entity);
    /// The values held for all scenarios.
    void WriteDefs(model::TEntity& entity);
    /// The values held per scenario: in the root, in the other scenarios or both.
    void WriteProps(model::TEntity& entity, bool inRoot, bool inChildren);
    /// One def (`scenario` null) or prop element, by name or, where no name leads back to the
    /// value's property, by identifier (def_id, prop_id).
    void WriteValue(const model::TPropSpecSet& specs, const model::TProperty& record,
                    const model::TScenario* scenario);
    void Attribute(std::string_view name, std::string_view value);
    void Step(const char* text, float fraction);
    void WriteScenarios();
    void WriteZones();
    void WriteCategoryModes();
    void WriteSectors();
    void WriteAttractionFunctions();
    void WriteOperators();
    void WriteLinkTypes();
    void WriteLinks();
    void WriteLinkRoutes();
    void WriteExogenousTrips();
    void WriteEconomicData();

    model::TProject& project_;
    TXMLGenerator* gen_ = nullptr;
    std::vector<model::TScenario*> scenarios_; // in scenario order
    // The names the document uses.
    const std::string idName_ = "id";
    const std::string nameName_ = "name";
    const std::string defName_ = "def";
    const std::string propName_ = "prop";
    const std::string valueName_ = "value";
    const std::string inName_ = "in";
    const std::string descName_ = "desc";
};

/// Writes the project to `fileName`; compressed: gzip with compression number 0, the file's
/// name in the header and the comment "VARDEN Database". The file appears only when complete:
/// a failure leaves an existing file as it was and passes the exception on.
void ExportXml(model::TProject& project, const std::string& fileName, bool compressed);
/// ExportXml, compressed when the name ends in ".xmlz" (any case).
void SaveXmlProject(model::TProject& project, const std::string& fileName);

} // namespace zep::files
