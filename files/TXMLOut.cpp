#include "files/TXMLOut.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <unordered_map>

#include "foundation/Format.h"
#include "foundation/ORVGZipStreams.h"
#include "foundation/OrvMessages.h"
#include "foundation/OrvXMLGenerator.h"
#include "model/ADMIN.h"
#include "model/Attractors.h"
#include "model/CATEGORY.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/SECTOR.h"
#include "model/Zone.h"

namespace zep::files {

using namespace zep::model;

namespace {

/// Writing sorts lists and compacts versions: that is upkeep, not an edit to undo.
class TNoUndoScope {
public:
    TNoUndoScope() : saved_(undo::CurrentUndoSet()) { undo::SetCurrentUndoSet(nullptr); }
    ~TNoUndoScope() { undo::SetCurrentUndoSet(saved_); }
    TNoUndoScope(const TNoUndoScope&) = delete;
    TNoUndoScope& operator=(const TNoUndoScope&) = delete;

private:
    undo::TUndoSet* saved_;
};

/// Whether the value can be written: a reference must name an entity the document carries
/// (macro zones and entity lists are not part of it, and the reader could not resolve them).
bool Exchangeable(const TValue& value) {
    if (!value.IsObject()) return true;
    auto* entity = dynamic_cast<const TEntity*>(value.ToObject());
    return entity && !dynamic_cast<const TMacroZone*>(entity);
}

/// The exchange text of a value: a reference as the entity's key text ("nil" when unset),
/// anything else in its specification's key text.
std::string ExchangeText(const TPropSpec& spec, const TValue& value) {
    if (spec.ValueType() == varError) {
        if (value.IsEmpty()) return "nil";
        if (auto* e = dynamic_cast<const TEntity*>(value.ToObject())) return e->KeyText();
        return "???";
    }
    return spec.KeyText(value);
}

template <class List> std::vector<TEntity*> SortedCopy(const List& list) {
    std::vector<TEntity*> items;
    items.reserve(list.Count());
    for (std::size_t i = 0; i < list.Count(); ++i)
        items.push_back(list.Get(i));
    std::stable_sort(items.begin(), items.end(), [&list](const TEntity* a, const TEntity* b) {
        return list.Compare(a, b) < 0;
    });
    return items;
}

class TElement {
public:
    TElement(TXMLGenerator& gen, const char* name) : gen_(gen) { gen_.startElement(name); }
    ~TElement() noexcept(false) {
        if (std::uncaught_exceptions() == 0) gen_.endElement();
    }
    TElement(const TElement&) = delete;
    TElement& operator=(const TElement&) = delete;

private:
    TXMLGenerator& gen_;
};

} // namespace

TXMLWriter::TXMLWriter(TProject& project) : project_(project) {}

void TXMLWriter::Attribute(std::string_view name, std::string_view value) {
    gen_->attribute(name, Trim(value));
}

void TXMLWriter::Step(const char* text, float fraction) {
    ShowProgress(text, static_cast<double>(fraction));
}

void TXMLWriter::WriteAttributes(TEntity& entity) {
    const bool isRoute = dynamic_cast<TRoute*>(&entity) != nullptr;
    for (const auto& [id, spec] : entity.Specs().AllById()) {
        // A route's operator is one of its identity attributes for the reader.
        if (!spec->HasFlag(psAttribute) && !(isRoute && id == TRoute::kOperator)) continue;
        const TValue value = entity.GetValue(id);
        bool write;
        if (spec->HasFlag(psAlwaysStored))
            write = true;
        else
            write = !spec->HasFlag(psNotStored) && !spec->HasFlag(psNoAttribute) &&
                    !value.IsEmpty() && !ValuesEqual(value, spec->Default());
        if (write && Exchangeable(value))
            Attribute(spec->StorageName(), ExchangeText(*spec, value));
    }
}

void TXMLWriter::WriteValues(TEntity& entity) {
    const std::string desc = Trim(entity.GetDescription());
    if (!desc.empty()) {
        gen_->startElement(descName_);
        gen_->text(desc);
        gen_->endElement();
    }
    TPropSpecSet& specs = entity.Specs();
    for (const TProperty& record : entity.Properties()) {
        const TPropSpec* spec = specs.FindById(record.Id());
        if (!spec || spec->HasFlag(psAttribute) || spec->HasFlag(psNotStored)) continue;
        if (record.value.IsEmpty() || ValuesEqual(record.value, spec->Default())) continue;
        if (!Exchangeable(record.value)) continue;
        gen_->startElement(defName_);
        Attribute(nameName_, spec->StorageName());
        Attribute(valueName_, ExchangeText(*spec, record.value));
        gen_->endElement();
    }
    auto* versioned = dynamic_cast<TVersionedEntity*>(&entity);
    if (!versioned || versioned->Versions().Count() == 0) return;
    versioned->Normalize();
    const TScenarioList& scenarios = project_.Scenarios();
    for (std::size_t i = 0; i < scenarios.Count(); ++i) {
        TScenario* scenario = scenarios.Get(i);
        const TVersion* version = versioned->VersionOf(scenario);
        if (!version) continue;
        const bool root = scenario->IsBase();
        for (const TProperty& record : *version) {
            const TPropSpec* spec = specs.FindById(record.Id());
            if (!spec || spec->HasFlag(psAttribute) || spec->HasFlag(psNotStored)) continue;
            // In the root a default value says nothing; below it, it overrides the parent's.
            if (root && ValuesEqual(record.value, spec->Default())) continue;
            if (!Exchangeable(record.value)) continue;
            gen_->startElement(propName_);
            Attribute(nameName_, spec->StorageName());
            Attribute(valueName_, ExchangeText(*spec, record.value));
            if (!root) Attribute(inName_, scenario->KeyText());
            gen_->endElement();
        }
    }
}

void TXMLWriter::WriteContent(TEntity& entity) {
    WriteAttributes(entity);
    WriteValues(entity);
}

void TXMLWriter::WriteEntity(const char* element, TEntity& entity, const TAttributes& leading) {
    gen_->startElement(element);
    for (const auto& [name, value] : leading)
        Attribute(name, value);
    WriteContent(entity);
    gen_->endElement();
}

void TXMLWriter::WriteScenarios() {
    TScenarioList& scenarios = project_.Scenarios();
    scenarios.Sort();
    TElement list(*gen_, "scenarios");
    for (std::size_t i = 0; i < scenarios.Count(); ++i) {
        TScenario* s = scenarios.Get(i);
        gen_->startElement("scenario");
        Attribute(idName_, s->KeyText());
        if (s->Parent()) Attribute("previous", s->Parent()->KeyText());
        const std::string desc = Trim(s->GetDescription());
        if (!desc.empty()) {
            gen_->startElement(descName_);
            gen_->text(desc);
            gen_->endElement();
        }
        gen_->endElement();
    }
}

void TXMLWriter::WriteSectors() {
    TSectorList& sectors = project_.Sectors();
    {
        TElement list(*gen_, "socioeconomic_sectors");
        for (std::size_t i = 0; i < sectors.Count(); ++i)
            if (sectors.Get(i)->Id() >= 0) WriteEntity("sector", *sectors.Get(i));
    }
    TElement list(*gen_, "sector_interactions");
    for (std::size_t i = 0; i < sectors.Count(); ++i) {
        TSector* sector = sectors.Get(i);
        TSectorInteractionList& interactions = sector->Interactions();
        for (std::size_t k = 0; k < interactions.Count(); ++k)
            WriteEntity("sector_interaction", *interactions.Get(k),
                        {{"sector", sector->KeyText()}});
    }
}

void TXMLWriter::WriteOperators() {
    TOperatorList& operators = project_.Operators();
    {
        TElement list(*gen_, "operators");
        for (std::size_t i = 0; i < operators.Count(); ++i)
            WriteEntity("operator", *operators.Get(i));
    }
    {
        TElement list(*gen_, "transfers");
        for (std::size_t i = 0; i < operators.Count(); ++i) {
            TTransferList& transfers = operators.Get(i)->Transfers();
            for (std::size_t k = 0; k < transfers.Count(); ++k)
                WriteEntity("transfer", *transfers.Get(k));
        }
    }
    TElement list(*gen_, "operator_category_data");
    for (std::size_t i = 0; i < operators.Count(); ++i) {
        TOperator* op = operators.Get(i);
        TOperatorCategoryList& records = op->OperatorCategories();
        for (std::size_t k = 0; k < records.Count(); ++k) {
            TOperatorCategory* record = records.Get(k);
            TAttributes leading{{"operator", op->KeyText()}};
            leading.emplace_back("category",
                                 record->Category() ? record->Category()->KeyText() : "nil");
            WriteEntity("operator_category", *record, leading);
        }
    }
}

void TXMLWriter::WriteLinkTypes() {
    TLinkTypeList& types = project_.LinkTypes();
    {
        TElement list(*gen_, "link_types");
        for (std::size_t i = 0; i < types.Count(); ++i)
            WriteEntity("link_type", *types.Get(i));
    }
    TElement list(*gen_, "link_type_operator_data");
    for (std::size_t i = 0; i < types.Count(); ++i) {
        TLinkTypeOperList& data = types.Get(i)->OperatorDataList();
        for (std::size_t k = 0; k < data.Count(); ++k)
            if (data.Get(k)->Id() >= 0) WriteEntity("link_type_operator", *data.Get(k));
    }
}

void TXMLWriter::WriteLinks() {
    TLinkList& links = project_.Links();
    {
        TElement list(*gen_, "links");
        for (std::size_t i = 0; i < links.Count(); ++i)
            if (links.Get(i)->Id() >= 0) WriteEntity("link", *links.Get(i));
    }
    gen_->Flush();
    TElement list(*gen_, "turns");
    for (std::size_t i = 0; i < links.Count(); ++i) {
        TLink* link = links.Get(i);
        if (link->Internal()) continue;
        TTurnRestrictionList& turns = link->Turns();
        if (turns.Count() == 0) continue;
        const TAttributes leading{{"from", link->Tail()->KeyText()},
                                  {"thru", link->Head()->KeyText()}};
        for (std::size_t k = 0; k < turns.Count(); ++k)
            WriteEntity("turn", *turns.Get(k), leading);
    }
}

void TXMLWriter::WriteLinkRoutes() {
    TRouteList& routes = project_.Routes();
    TElement list(*gen_, "link_routes");
    for (std::size_t i = 0; i < routes.Count(); ++i) {
        TRoute* route = routes.Get(i);
        if (route->Internal()) continue;
        for (TEntity* e : SortedCopy(route->LinkRoutes())) {
            auto* lr = static_cast<TLinkRoute*>(e);
            TLink* link = lr->Link();
            if (!link || !link->Tail() || !link->Head()) continue;
            WriteEntity("link_route", *lr,
                        {{"from", link->Tail()->KeyText()}, {"to", link->Head()->KeyText()}});
        }
        gen_->Flush();
    }
}

void TXMLWriter::WriteExogenousTrips() {
    TTransportZoneList& zones = project_.TransportZones();
    TElement list(*gen_, "exogenous_trips");
    std::unordered_map<const TTransportZone*, TODPair*> pairs;
    for (std::size_t i = 0; i < zones.Count(); ++i) {
        TTransportZone* origin = zones.Get(i);
        TODPairList& odPairs = origin->ODPairs();
        if (odPairs.Count() == 0) continue;
        pairs.clear();
        for (std::size_t k = 0; k < odPairs.Count(); ++k)
            pairs.emplace(odPairs.Get(k)->Destination(), odPairs.Get(k));
        for (std::size_t j = 0; j < zones.Count(); ++j) {
            auto it = pairs.find(zones.Get(j));
            if (it == pairs.end()) continue;
            TCategoryModeList& records = it->second->CategoryModes();
            for (std::size_t k = 0; k < records.Count(); ++k) {
                TCategoryMode* record = records.Get(k);
                gen_->startElement("trips");
                Attribute("from", origin->KeyText());
                Attribute("to", zones.Get(j)->KeyText());
                WriteAttributes(*record);
                // A record for every mode has no mode: say so, or the reader would take the
                // missing attribute for a broken file.
                if (!record->Mode()) Attribute("mode", "nil");
                WriteValues(*record);
                gen_->endElement();
            }
        }
    }
}

void TXMLWriter::WriteEconomicData() {
    TSectorList& sectors = project_.Sectors();
    TElement list(*gen_, "economic_data");
    for (std::size_t i = 0; i < sectors.Count(); ++i) {
        for (TEntity* e : SortedCopy(sectors.Get(i)->SectorZones())) {
            auto* record = static_cast<TSectorZone*>(e);
            gen_->startElement("sector_zone");
            WriteAttributes(*record);
            // The record of the sector as a whole has no zone (see trips).
            if (!record->Zone()) Attribute("zone", "nil");
            WriteValues(*record);
            gen_->endElement();
        }
    }
}

void TXMLWriter::Write(TStream& output) {
    TNoUndoScope noUndo;
    TXMLGenerator generator(output);
    gen_ = &generator;
    struct Reset {
        TXMLGenerator*& gen;
        ~Reset() { gen = nullptr; }
    } reset{gen_};

    generator.startElement("model");
    WriteContent(project_);

    project_.SortAll();
    WriteScenarios();

    Step("Writing zones...", 0.0f);
    {
        TElement list(generator, "zones");
        TTransportZoneList& zones = project_.TransportZones();
        for (std::size_t i = 0; i < zones.Count(); ++i)
            if (zones.Get(i)->Id() >= 0) WriteEntity("zone", *zones.Get(i));
    }
    Step("Writing cateogories...", 1.0f / 27.0f);
    {
        TElement list(generator, "transport_categories");
        TCategoryList& categories = project_.Categories();
        for (std::size_t i = 0; i < categories.Count(); ++i)
            if (categories.Get(i)->Id() >= 0) WriteEntity("category", *categories.Get(i));
    }
    Step("Writing sectors...", 2.0f / 27.0f);
    WriteSectors();
    Step("Writing administrators...", 3.0f / 27.0f);
    {
        TElement list(generator, "administrators");
        TAdministratorList& admins = project_.Administrators();
        for (std::size_t i = 0; i < admins.Count(); ++i)
            if (admins.Get(i)->Id() >= 0) WriteEntity("administrator", *admins.Get(i));
    }
    Step("Writing modes...", 4.0f / 27.0f);
    {
        TElement list(generator, "modes");
        TModeList& modes = project_.Modes();
        for (std::size_t i = 0; i < modes.Count(); ++i)
            if (modes.Get(i)->Id() >= 0) WriteEntity("mode", *modes.Get(i));
    }
    Step("Writing operators...", 5.0f / 27.0f);
    WriteOperators();
    Step("Writing routes...", 6.0f / 27.0f);
    {
        TElement list(generator, "routes");
        TRouteList& routes = project_.Routes();
        for (std::size_t i = 0; i < routes.Count(); ++i)
            if (routes.Get(i)->Id() >= 0) WriteEntity("route", *routes.Get(i));
    }
    Step("Writing link-types...", 7.0f / 27.0f);
    WriteLinkTypes();
    Step("Writing nodes...", 8.0f / 27.0f);
    {
        TElement list(generator, "nodes");
        TNodeList& nodes = project_.Nodes();
        for (std::size_t i = 0; i < nodes.Count(); ++i)
            if (!nodes.Get(i)->IsZone()) WriteEntity("node", *nodes.Get(i));
    }
    generator.Flush();
    Step("Writing links...", 10.0f / 27.0f);
    WriteLinks();
    Step("Writing link-routes...", 18.0f / 27.0f);
    WriteLinkRoutes();
    Step("Writing exogenous trips...", 26.0f / 27.0f);
    WriteExogenousTrips();
    Step("Writing economic data", 1.0f);
    WriteEconomicData();
    Step("Writing...", 28.0f / 27.0f);
    {
        TElement list(generator, "attraction_functions");
        TAttractionFunctionList& functions = project_.AttractionFunctions();
        for (std::size_t i = 0; i < functions.Count(); ++i)
            if (functions.Get(i)->Id() >= 0) WriteEntity("function", *functions.Get(i));
    }
    Step("Writing", 29.0f / 27.0f);
    generator.endElement();
    generator.Flush();
    EndProgress();
}

void ExportXml(TProject& project, const std::string& fileName, bool compressed) {
    // Written beside the target and renamed over it when complete: a failed export leaves an
    // earlier file of that name as it was.
    const std::string temporary = fileName + ".part";
    try {
        {
            TFileStream file(temporary, FileMode::Create);
            if (compressed) {
                TGZipStream gzip(file, 0);
                gzip.SetFileName(fileName);
                gzip.SetComment("VARDEN Database");
                TXMLWriter(project).Write(gzip);
                gzip.Finish();
            } else {
                TXMLWriter(project).Write(file);
            }
        }
        std::error_code ec;
        std::filesystem::rename(temporary, fileName, ec);
        if (ec)
            throw EFCreateError(Format("Cannot create file \"%s\". %s", {fileName, ec.message()}));
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw;
    }
}

void SaveXmlProject(TProject& project, const std::string& fileName) {
    const std::string ext = LowerCase(std::filesystem::path(fileName).extension().string());
    ExportXml(project, fileName, ext == ".xmlz");
}

} // namespace zep::files
