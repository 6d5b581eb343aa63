#include "files/TXMLOut.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <unordered_map>

#include "foundation/DeflateBehind.h"
#include "foundation/Format.h"
#include "foundation/ORVGZipStreams.h"
#include "foundation/OrvMessages.h"
#include "foundation/OrvXMLGenerator.h"
#include "foundation/SafeSave.h"
#include "model/ADMIN.h"
#include "model/Attractors.h"
#include "model/CATEGORY.h"
#include "model/KindCast.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/SECTOR.h"
#include "model/StudyText.h"
#include "model/Zone.h"

namespace zep::files {

using namespace zep::model;

namespace {

/// Whether the value can be written: a reference must name an entity the document carries
/// under the identifier it writes, or the file would not read again (macro zones share the
/// zones' prefix; records, internal entities and entity lists have no identifier there).
bool Exchangeable(const TValue& value) {
    if (!value.IsObject()) return true;
    const TZEPPersistent* object = value.ToObject();
    if (KindCast<const TMacroZone>(object)) return false;
    if (KindCast<const TScenario>(object) || KindCast<const TOperator>(object) ||
        KindCast<const TLinkType>(object))
        return true;
    if (auto* route = KindCast<const TRoute>(object)) return !route->Internal();
    if (auto* node = KindCast<const TNode>(object))
        return !KindCast<const TTransportZone>(object) || node->Id() >= 0;
    if (KindCast<const TCategory>(object) || KindCast<const TSector>(object) ||
        KindCast<const TAdministrator>(object) || KindCast<const TMode>(object) ||
        KindCast<const TLink>(object))
        return static_cast<const TEntity*>(object)->Id() >= 0;
    return false;
}

/// The text of a value in an attribute: identifiers with their prefix and enumerations by label
/// (the reader matches the operator's `type` by it), references and reals as in a def or prop.
std::string AttributeText(const TPropSpec& spec, const TValue& value);

/// The exchange text of a value: a reference as the entity's key text ("nil" when unset); a
/// number in full (reals in the shortest text that reads back to the same double, integers and
/// enumerations as plain numbers), since a display form (two decimals, a percentage, a clock
/// time, an enumeration's label) would not read back to the value it shows.
std::string ExchangeText(const TPropSpec& spec, const TValue& value) {
    if (spec.ValueType() == varError || value.IsObject()) {
        if (value.IsEmpty()) return "nil";
        if (auto* e = dynamic_cast<const TEntity*>(value.ToObject())) return e->KeyText();
        return "???";
    }
    if (value.IsEmpty() || value.IsText()) return spec.KeyText(value);
    switch (ClassOf(spec.ValueType())) {
    case TValueClass::Boolean:
        return value.ToBool() ? "true" : "false";
    case TValueClass::Integer:
        if (value.Class() == TValueClass::Integer || value.Kind() == varBoolean)
            return std::to_string(value.ToInteger());
        return RealText(value.ToDouble());
    case TValueClass::Real:
    case TValueClass::Currency:
    case TValueClass::Date:
        if (value.Kind() == varBoolean) return value.ToBool() ? "true" : "false";
        return RealText(value.ToDouble());
    default:
        return spec.KeyText(value);
    }
}

std::string AttributeText(const TPropSpec& spec, const TValue& value) {
    if (spec.ValueType() == varError || ClassOf(spec.ValueType()) == TValueClass::Real)
        return ExchangeText(spec, value);
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

/// The list's entities in sorted order, the list itself left as it is: the document is written
/// sorted, but the project in memory belongs to the user and its undo history.
template <class T, class List> std::vector<T*> InOrder(const List& list) {
    std::vector<T*> items;
    items.reserve(list.Count());
    for (std::size_t i = 0; i < list.Count(); ++i)
        items.push_back(static_cast<T*>(list.Get(i)));
    if (!list.Sorted())
        std::stable_sort(items.begin(), items.end(),
                         [&list](const T* a, const T* b) { return list.Compare(a, b) < 0; });
    return items;
}

/// Whether values of the specification go into def and prop elements: not the attributes, and
/// not what the study holds only in memory (values of names or identifiers its kind does not
/// declare). Values that a reader by names alone would not take back (psNotStored: a turn's
/// restriction, a mode's is_public, model results) go by identifier, which such a reader skips.
bool Kept(const TPropSpec* spec) {
    if (!spec || spec->HasFlag(psAttribute)) return false;
    return !(spec->HasFlag(psNotStored) && spec->HasFlag(psNoAttribute));
}

/// Whether the entity holds anything a def, prop or desc element would carry.
bool HoldsValues(const TVersionedEntity& entity) {
    for (const TProperty& record : entity.Properties())
        if (Kept(entity.Specs().FindById(record.Id())) && !record.value.IsEmpty()) return true;
    return entity.Versions().Count() > 0;
}

bool HasChildScenarioValues(const TVersionedEntity& entity) {
    for (const auto& version : entity.Versions())
        if (version->Scenario() && !version->Scenario()->IsBase() && entity.KeepsVersion(*version))
            return true;
    return false;
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
            Attribute(spec->StorageName(), AttributeText(*spec, value));
    }
}

void TXMLWriter::WriteDesc(const TEntity& entity) {
    const std::string desc = Trim(entity.GetDescription());
    if (desc.empty()) return;
    gen_->startElement(descName_);
    gen_->text(desc);
    gen_->endElement();
}

void TXMLWriter::WriteValue(const TPropSpecSet& specs, const TProperty& record,
                            const TScenario* scenario) {
    // The value reads back under the name only when the name leads back to this identifier
    // (several declarations of one kind share a name or an identifier) and, per scenario, when
    // the name's declaration is held per scenario; otherwise it goes by its identifier, in an
    // element a reader that knows only names skips.
    const TPropSpec& spec = *specs.FindById(record.Id());
    const std::string& name = specs.ExchangeNameOf(record.Id());
    bool byName = !name.empty() && !spec.HasFlag(psNotStored);
    if (byName && scenario) {
        const TPropSpec* named = specs.FindByExchangeName(name);
        byName = !named->HasFlag(psAttribute) && !named->HasFlag(psUnversioned);
    }
    if (byName) {
        gen_->startElement(scenario ? propName_ : defName_);
        Attribute(nameName_, name);
    } else {
        gen_->startElement(scenario ? "prop_id" : "def_id");
        Attribute(idName_, std::to_string(record.Id()));
    }
    Attribute(valueName_, ExchangeText(spec, record.value));
    if (scenario && !scenario->IsBase()) Attribute(inName_, scenario->KeyText());
    gen_->endElement();
}

void TXMLWriter::WriteDefs(TEntity& entity) {
    TPropSpecSet& specs = entity.Specs();
    for (const TProperty& record : entity.Properties()) {
        const TPropSpec* spec = specs.FindById(record.Id());
        if (!Kept(spec) || record.Id() == kPropDescription) continue;
        if (record.value.IsEmpty() || ValuesEqual(record.value, spec->Default())) continue;
        if (!Exchangeable(record.value)) continue;
        WriteValue(specs, record, nullptr);
    }
}

void TXMLWriter::WriteProps(TEntity& entity, bool inRoot, bool inChildren) {
    auto* versioned = dynamic_cast<TVersionedEntity*>(&entity);
    if (!versioned || versioned->Versions().Count() == 0) return;
    TPropSpecSet& specs = entity.Specs();
    for (TScenario* scenario : scenarios_) {
        if (scenario->IsBase() ? !inRoot : !inChildren) continue;
        const TVersion* version = versioned->VersionOf(scenario);
        if (!version) continue;
        for (const TProperty& record : *version) {
            if (versioned->IsRedundant(*version, record)) continue;
            if (!Kept(specs.FindById(record.Id()))) continue;
            // A value equal to the default is written in the root as well: the study holds
            // it, and what holds a value counts in the model's files (restrictions that are
            // set, for one).
            if (record.value.IsEmpty() || !Exchangeable(record.value)) continue;
            WriteValue(specs, record, scenario);
        }
    }
}

void TXMLWriter::WriteValues(TEntity& entity) {
    WriteDesc(entity);
    WriteDefs(entity);
    WriteProps(entity, true, true);
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
    TElement list(*gen_, "scenarios");
    for (TScenario* s : scenarios_) {
        gen_->startElement("scenario");
        Attribute(idName_, s->KeyText());
        if (s->Parent()) Attribute("previous", s->Parent()->KeyText());
        WriteDesc(*s);
        gen_->endElement();
    }
}

void TXMLWriter::WriteSectors() {
    const auto sectors = InOrder<TSector>(project_.Sectors());
    {
        TElement list(*gen_, "socioeconomic_sectors");
        for (TSector* sector : sectors)
            if (sector->Id() >= 0) WriteEntity("sector", *sector);
    }
    {
        TElement list(*gen_, "sector_interactions");
        for (TSector* sector : sectors) {
            TSectorInteractionList& interactions = sector->Interactions();
            for (std::size_t k = 0; k < interactions.Count(); ++k) {
                TSectorInteraction* interaction = interactions.Get(k);
                gen_->startElement("sector_interaction");
                Attribute("sector", sector->KeyText());
                WriteContent(*interaction);
                TSectorList& substitutes = interaction->Substitutes();
                for (std::size_t m = 0; m < substitutes.Count(); ++m) {
                    gen_->startElement("substitute");
                    Attribute("sector", substitutes.Get(m)->KeyText());
                    gen_->endElement();
                }
                gen_->endElement();
            }
        }
    }
    TElement list(*gen_, "sector_category_data");
    for (TSector* sector : sectors) {
        TSectorCategoryList& records = sector->SectorCategories();
        for (std::size_t k = 0; k < records.Count(); ++k) {
            TSectorCategory* record = records.Get(k);
            if (!record->Category()) continue;
            WriteEntity(
                "sector_category", *record,
                {{"sector", sector->KeyText()}, {"category", record->Category()->KeyText()}});
        }
    }
}

void TXMLWriter::WriteZones() {
    {
        TElement list(*gen_, "zones");
        for (TTransportZone* zone : InOrder<TTransportZone>(project_.TransportZones())) {
            if (zone->Id() < 0) continue;
            if (dynamic_cast<TExternalZone*>(zone))
                WriteEntity("zone", *zone, {{"kind", "external"}});
            else
                WriteEntity("zone", *zone);
        }
    }
    // Macro zones share the zones' prefix, so nothing refers to them by key: each names its
    // members instead, the micro zones whose `macro_zone` it is.
    const auto macros = InOrder<TMacroZone>(project_.MacroZones());
    if (macros.empty()) return;
    const auto zones = InOrder<TTransportZone>(project_.TransportZones());
    TElement list(*gen_, "macro_zones");
    for (TMacroZone* macro : macros) {
        if (macro->Id() < 0) continue;
        gen_->startElement("macro_zone");
        WriteContent(*macro);
        for (TTransportZone* zone : zones) {
            if (zone->Id() < 0) continue;
            if (const TProperty* own = zone->Properties().Find(TZone::kMacroZone);
                own && own->value.ToObject() == macro) {
                gen_->startElement("member");
                Attribute("zone", zone->KeyText());
                gen_->endElement();
            }
            for (TScenario* scenario : scenarios_) {
                const TVersion* version = zone->VersionOf(scenario);
                const TProperty* record = version ? version->Find(TZone::kMacroZone) : nullptr;
                if (!record || zone->IsRedundant(*version, *record) ||
                    record->value.ToObject() != macro)
                    continue;
                gen_->startElement("member");
                Attribute("zone", zone->KeyText());
                if (!scenario->IsBase()) Attribute(inName_, scenario->KeyText());
                gen_->endElement();
            }
        }
        gen_->endElement();
    }
}

void TXMLWriter::WriteCategoryModes() {
    TElement list(*gen_, "category_modes");
    for (TCategory* category : InOrder<TCategory>(project_.Categories())) {
        if (category->Id() < 0) continue;
        TModeList& modes = category->AvailableModes();
        for (std::size_t k = 0; k < modes.Count(); ++k) {
            if (modes.Get(k)->Id() < 0) continue;
            gen_->startElement("category_mode");
            Attribute("category", category->KeyText());
            Attribute("mode", modes.Get(k)->KeyText());
            gen_->endElement();
        }
    }
}

void TXMLWriter::WriteAttractionFunctions() {
    TElement list(*gen_, "attraction_functions");
    for (TAttractionFunction* function :
         InOrder<TAttractionFunction>(project_.AttractionFunctions())) {
        if (function->Id() < 0) continue;
        gen_->startElement("function");
        WriteContent(*function);
        for (TAttractor* attractor : InOrder<TAttractor>(function->Attractors()))
            WriteEntity("attractor", *attractor);
        gen_->endElement();
    }
}

void TXMLWriter::WriteOperators() {
    const auto operators = InOrder<TOperator>(project_.Operators());
    {
        TElement list(*gen_, "operators");
        for (TOperator* op : operators)
            WriteEntity("operator", *op);
    }
    {
        TElement list(*gen_, "transfers");
        for (TOperator* op : operators) {
            TTransferList& transfers = op->Transfers();
            for (std::size_t k = 0; k < transfers.Count(); ++k)
                WriteEntity("transfer", *transfers.Get(k));
        }
    }
    TElement list(*gen_, "operator_category_data");
    for (TOperator* op : operators) {
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
    const auto types = InOrder<TLinkType>(project_.LinkTypes());
    {
        TElement list(*gen_, "link_types");
        for (TLinkType* type : types)
            WriteEntity("link_type", *type);
    }
    TElement list(*gen_, "link_type_operator_data");
    for (TLinkType* type : types) {
        TLinkTypeOperList& data = type->OperatorDataList();
        for (std::size_t k = 0; k < data.Count(); ++k)
            if (data.Get(k)->Id() >= 0) WriteEntity("link_type_operator", *data.Get(k));
    }
}

void TXMLWriter::WriteLinks() {
    const auto links = InOrder<TLink>(project_.Links());
    {
        TElement list(*gen_, "links");
        for (TLink* link : links)
            if (link->Id() >= 0) WriteEntity("link", *link);
    }
    gen_->Flush();
    TElement list(*gen_, "turns");
    for (TLink* link : links) {
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
    TElement list(*gen_, "link_routes");
    for (TRoute* route : InOrder<TRoute>(project_.Routes())) {
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
    const auto zones = InOrder<TTransportZone>(project_.TransportZones());
    std::vector<TODPair*> withValues;
    {
        TElement list(*gen_, "exogenous_trips");
        std::unordered_map<const TTransportZone*, TODPair*> pairs;
        for (TTransportZone* origin : zones) {
            TODPairList& odPairs = origin->ODPairs();
            if (odPairs.Count() == 0) continue;
            pairs.clear();
            for (std::size_t k = 0; k < odPairs.Count(); ++k)
                pairs.emplace(odPairs.Get(k)->Destination(), odPairs.Get(k));
            for (TTransportZone* destination : zones) {
                auto it = pairs.find(destination);
                if (it == pairs.end()) continue;
                if (HoldsValues(*it->second)) withValues.push_back(it->second);
                TCategoryModeList& records = it->second->CategoryModes();
                for (std::size_t k = 0; k < records.Count(); ++k) {
                    TCategoryMode* record = records.Get(k);
                    gen_->startElement("trips");
                    Attribute("from", origin->KeyText());
                    Attribute("to", destination->KeyText());
                    WriteAttributes(*record);
                    // A record for every mode has no mode: say so, or the reader would take
                    // the missing attribute for a broken file.
                    if (!record->Mode()) Attribute("mode", "nil");
                    WriteValues(*record);
                    gen_->endElement();
                }
            }
        }
    }
    // The pairs' own values (few pairs have any).
    if (withValues.empty()) return;
    TElement list(*gen_, "od_pairs");
    for (TODPair* pair : withValues)
        WriteEntity("od_pair", *pair); // `from` and `to` are its attributes
}

void TXMLWriter::WriteEconomicData() {
    TElement list(*gen_, "economic_data");
    for (TSector* sector : InOrder<TSector>(project_.Sectors())) {
        for (TEntity* e : SortedCopy(sector->SectorZones())) {
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
    TXMLGenerator generator(output);
    gen_ = &generator;
    struct Reset {
        TXMLGenerator*& gen;
        ~Reset() { gen = nullptr; }
    } reset{gen_};
    scenarios_ = InOrder<TScenario>(project_.Scenarios());

    generator.startElement("model");
    WriteAttributes(project_);
    WriteDesc(project_);
    WriteDefs(project_);
    WriteProps(project_, true, false);

    WriteScenarios();
    // The study's own values in the other scenarios can only follow the scenarios they name.
    if (HasChildScenarioValues(project_)) {
        TElement values(generator, "project_values");
        WriteProps(project_, false, true);
    }

    // Every list in its sorted order; the entities written are the user's (internal ones,
    // identifier below zero, are the system's and are made again on reading).
    auto writeAll = [&](const char* listElement, const char* element, const auto& entities,
                        auto&& keep) {
        TElement list(generator, listElement);
        for (auto* e : entities)
            if (keep(*e)) WriteEntity(element, *e);
    };
    auto visible = [](const TEntity& e) { return e.Id() >= 0; };
    Step("Writing zones...", 0.0f);
    WriteZones();
    Step("Writing cateogories...", 1.0f / 27.0f);
    writeAll("transport_categories", "category", InOrder<TCategory>(project_.Categories()),
             visible);
    Step("Writing sectors...", 2.0f / 27.0f);
    WriteSectors();
    Step("Writing administrators...", 3.0f / 27.0f);
    writeAll("administrators", "administrator", InOrder<TAdministrator>(project_.Administrators()),
             visible);
    Step("Writing modes...", 4.0f / 27.0f);
    writeAll("modes", "mode", InOrder<TMode>(project_.Modes()), visible);
    WriteCategoryModes();
    Step("Writing operators...", 5.0f / 27.0f);
    WriteOperators();
    Step("Writing routes...", 6.0f / 27.0f);
    writeAll("routes", "route", InOrder<TRoute>(project_.Routes()), visible);
    Step("Writing link-types...", 7.0f / 27.0f);
    WriteLinkTypes();
    Step("Writing nodes...", 8.0f / 27.0f);
    writeAll("nodes", "node", InOrder<TNode>(project_.Nodes()),
             [](const TNode& n) { return !n.IsZone(); });
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
    WriteAttractionFunctions();
    Step("Writing", 29.0f / 27.0f);
    generator.endElement();
    generator.Flush();
    EndProgress();
}

void ExportXml(TProject& project, const std::string& fileName, bool compressed) {
    // Saved as the project file is: beside the target first, the old file kept as a backup.
    SafeSave(fileName, [&](TFileStream& file) {
        if (compressed) {
            TGZipStream gzip(file, 0);
            gzip.SetFileName(fileName);
            gzip.SetComment("VARDEN Database");
            gzip.CompressOnThreads(TDeflateBehind::UsefulWorkers());
            TXMLWriter(project).Write(gzip);
            gzip.Finish();
        } else {
            TXMLWriter(project).Write(file);
        }
    });
}

void SaveXmlProject(TProject& project, const std::string& fileName) {
    const std::string ext = LowerCase(std::filesystem::path(fileName).extension().string());
    ExportXml(project, fileName, ext == ".xmlz");
}

} // namespace zep::files
