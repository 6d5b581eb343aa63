// A random editor of whole studies: creations and removals of every kind through the project,
// value edits (the study's own values among them), scenario and version operations, sorts.
// Each call of Edit is meant to run inside one command.
#pragma once

#include <functional>
#include <random>
#include <string>
#include <vector>

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

namespace zep::model::test {

class TRandomEditor {
public:
    TRandomEditor(TProject& p, unsigned seed) : p_(p), rng_(seed) {}

    /// One random edit; answers its name.
    std::string Edit() {
        struct TAction {
            const char* name;
            int weight;
            std::function<void()> run;
        };
        const std::vector<TAction> actions = {
            {"new node", 6, [&] { NewNode(); }},
            {"new zone", 3, [&] { NewZone(); }},
            {"new link", 8, [&] { NewLink(); }},
            {"new route", 3, [&] { NewRoute(); }},
            {"new link-route", 4, [&] { NewLinkRoute(); }},
            {"new operator", 2, [&] { NewOperator(); }},
            {"new kind", 4, [&] { NewOther(); }},
            {"land use", 3, [&] { LandUse(); }},
            {"set values", 10, [&] { SetValues(); }},
            {"turn", 2, [&] { Turn(); }},
            {"access", 2, [&] { p_.UpdateLinkAccess(Pick(p_.Links()), AnyScenario()); }},
            {"scenario", 4, [&] { ScenarioOperation(); }},
            {"remove", 14, [&] { Remove(); }},
            {"study value", 3, [&] { StudyValue(); }},
            {"normalize", 2, [&] { Normalize(); }},
            {"sort", 2, [&] { Sort(); }},
            {"remove link pair", 2,
             [&] {
                 if (TLink* l = Pick(p_.Links())) p_.RemoveLink(l, true);
             }},
        };
        int total = 0;
        for (const TAction& a : actions)
            total += a.weight;
        int r = Uniform(0, total - 1);
        for (const TAction& a : actions) {
            if (r < a.weight) {
                a.run();
                return a.name;
            }
            r -= a.weight;
        }
        return "";
    }

private:
    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool Chance(int percent) { return Uniform(0, 99) < percent; }

    template <class List> auto Pick(const List& list) -> decltype(list.Get(0)) {
        if (list.Count() == 0) return nullptr;
        return list.Get(static_cast<std::size_t>(Uniform(0, static_cast<int>(list.Count()) - 1)));
    }
    TScenario* AnyScenario() { return Pick(p_.Scenarios()); }
    TNode* AnyNode() {
        if (p_.Nodes().Count() < 2 || Chance(5)) NewNode();
        return Pick(p_.Nodes());
    }
    TOperator* AnyOperator() {
        if (p_.Operators().IsEmpty()) NewOperator();
        return Pick(p_.Operators());
    }

    void NewNode() {
        TNode* n = p_.NewNode();
        n->SetPosition({Uniform(0, 12000) * 1.0, Uniform(0, 10000) * 1.0});
    }
    void NewZone() {
        TTransportZone* z =
            Chance(70) ? static_cast<TTransportZone*>(p_.NewMicroZone()) : p_.NewExternalZone();
        z->SetPosition({Uniform(0, 12000) * 1.0, Uniform(0, 10000) * 1.0});
        if (auto* micro = dynamic_cast<TMicroZone*>(z))
            if (TMacroZone* m = Pick(p_.MacroZones())) micro->SetMacroZone(m);
        p_.LinkBetween(z, AnyNode());
    }
    void NewLink() {
        TNode* a = AnyNode();
        TNode* b = AnyNode();
        if (a == b) return;
        TLink* l = p_.LinkBetween(a, b);
        if (TLinkType* t = Pick(p_.LinkTypes())) l->SetLinkTypeIn(AnyScenario(), t);
        if (Chance(50)) l->SetValueIn(AnyScenario(), TLink::kCapacity, TValue(Uniform(1, 5000)));
        if (Chance(30)) {
            TLink* back = p_.LinkBetween(b, a);
            back->SetUsedIn(AnyScenario(), true);
        }
        if (Chance(20)) l->Polyline().Append({Uniform(0, 12000) * 1.0, 5.0, 0.0});
    }
    void NewRoute() {
        TOperator* op = AnyOperator();
        TRoute* r = p_.NewRoute(op);
        TLink* l = Pick(p_.Links());
        for (int k = 0; l && k < 6; ++k) {
            p_.NewLinkRoute(l, r)->SetUsedIn(AnyScenario(), Chance(80));
            const TBaseLinkList& next = l->Head()->OutLinks();
            l = next.IsEmpty() ? nullptr
                               : static_cast<TLink*>(next.Get(
                                     static_cast<std::size_t>(Uniform(0, int(next.Count()) - 1))));
        }
    }
    void NewLinkRoute() {
        TLink* l = Pick(p_.Links());
        TRoute* r = Pick(p_.Routes());
        if (l && r) p_.NewLinkRoute(l, r)->SetUsedIn(AnyScenario(), Chance(70));
    }
    void NewOperator() {
        if (p_.Modes().IsEmpty()) p_.NewMode();
        TOperator* op = p_.NewOperator(Pick(p_.Modes()));
        op->SetType(Uniform(1, 4));
        if (TOperator* other = Pick(p_.Operators()))
            p_.AddTransfer(op, other)->SetValueIn(AnyScenario(), TTransfer::kTransferCost,
                                                  TValue(0.1 * Uniform(0, 9)));
        if (TLinkType* t = Pick(p_.LinkTypes()))
            t->GetOrCreateOperatorData(op)->SetValueIn(AnyScenario(), TLinkTypeOper::kFreeFlowSpeed,
                                                       TValue(Uniform(0, 80)));
        if (TCategory* c = Pick(p_.Categories())) op->GetOrCreateOperatorCategoryFor(c);
    }
    void NewOther() {
        switch (Uniform(0, 6)) {
        case 0:
            p_.NewMode();
            break;
        case 1: {
            TCategory* c = p_.NewCategory();
            if (TMode* m = Pick(p_.Modes())) c->AddMode(m);
            break;
        }
        case 2:
            p_.NewAdministrator();
            break;
        case 3: {
            TLinkType* t = p_.NewLinkType();
            if (TAdministrator* a = Pick(p_.Administrators())) t->SetAdminIn(AnyScenario(), a);
            break;
        }
        case 4:
            p_.NewNodeType();
            break;
        case 5:
            p_.NewMacroZone();
            break;
        default:
            p_.NewSector();
            break;
        }
    }
    void LandUse() {
        TSector* s = Pick(p_.Sectors());
        if (!s) s = p_.NewSector();
        switch (Uniform(0, 4)) {
        case 0:
            if (TSector* other = Pick(p_.Sectors())) {
                TSectorInteraction* x = s->GetOrCreateInteractionWith(other);
                if (TSector* sub = Pick(p_.Sectors())) x->Substitutes().Add(sub);
            }
            break;
        case 1:
            if (TTransportZone* z = Pick(p_.TransportZones()))
                s->GetOrCreateSectorZoneFor(z)->SetValueIn(AnyScenario(), TSectorZone::kPrice,
                                                           TValue(Uniform(1, 9)));
            break;
        case 2:
            if (TCategory* c = Pick(p_.Categories())) s->GetOrCreateSectorCategoryFor(c);
            break;
        case 3: {
            TAttractionFunction* f = p_.NewAttractionFunction();
            f->AddAttractor()->SetAttractorSectorIn(AnyScenario(), Pick(p_.Sectors()));
            break;
        }
        default: {
            TTransportZone* a = Pick(p_.TransportZones());
            TTransportZone* b = Pick(p_.TransportZones());
            TCategory* c = Pick(p_.Categories());
            if (a && b && c)
                a->GetOrCreateODPairTo(b)
                    ->GetOrCreateCategoryModeFor(c, Chance(50) ? Pick(p_.Modes()) : nullptr)
                    ->SetValueIn(AnyScenario(), TCategoryMode::kTrips, TValue(Uniform(1, 99)));
        }
        }
    }
    void SetValues() {
        TScenario* s = AnyScenario();
        for (int k = 0; k < 3; ++k) {
            if (TLink* l = Pick(p_.Links())) {
                l->SetValueIn(s, TLink::kCapacity, TValue(Uniform(0, 3000)));
                l->SetUsedIn(s, Chance(70));
            }
            if (TLinkRoute* lr = Pick(p_.LinkRoutes())) lr->SetUsedIn(s, Chance(60));
            if (TRoute* r = Pick(p_.Routes())) r->SetValueIn(s, TRoute::kMinFreq, TValue(2.0));
            if (TCategory* c = Pick(p_.Categories()))
                c->SetValueIn(s, TCategory::kValueOfTravelTime, TValue(Uniform(1, 20)));
            if (TNode* n = Pick(p_.Nodes())) n->SetPosition({Uniform(0, 9000) * 1.0, 1.0});
        }
    }
    // The study's own values are versioned too: a logit switch or coordinate system per
    // scenario, sometimes the default itself.
    void StudyValue() {
        TScenario* s = AnyScenario();
        switch (Uniform(0, 3)) {
        case 0:
            p_.SetValueIn(s, TProjectI::kTransUseLogit, TValue(Chance(50)));
            break;
        case 1:
            p_.SetValueIn(s, TProjectI::kLinkLengthMultiplier, TValue(0.5 * Uniform(1, 4)));
            break;
        case 2:
            p_.GetVersionedProperty(s, TProjectI::kRouteSimilarityFactor)
                ->SetValue(TValue(0.25 * Uniform(0, 4)));
            break;
        default:
            p_.SetValueIn(s, TProjectI::kCoordinateSystem, TValue(Uniform(0, 2)));
        }
    }
    void Normalize() {
        switch (Uniform(0, 2)) {
        case 0:
            p_.Links().Normalize();
            break;
        case 1:
            p_.Normalize();
            break;
        default:
            if (TRoute* r = Pick(p_.Routes())) r->Normalize();
        }
    }
    // A sort made by the user (a browser's order) is an edit like any other.
    void Sort() {
        TEntityList* lists[] = {&p_.Nodes(),     &p_.Links(),     &p_.Routes(),
                                &p_.Scenarios(), &p_.Operators(), &p_.Categories()};
        lists[Uniform(0, 5)]->Sort();
    }
    void Turn() {
        TLink* l = Pick(p_.Links());
        if (!l || l->Head()->OutLinks().IsEmpty()) return;
        TNode* to = l->Head()->OutLinks().Get(0)->Head();
        l->SetTurnProhibited(to, AnyScenario(), Chance(70));
    }
    void ScenarioOperation() {
        TScenario* s = AnyScenario();
        TScenario* t = AnyScenario();
        switch (Uniform(0, 4)) {
        case 0:
        case 1: {
            if (p_.Scenarios().Count() >= 6) break;
            TScenario* fresh = p_.NewScenario(s);
            fresh->SetName("S" + std::to_string(++scenarioNames_ % 100));
            break;
        }
        case 2:
            if (!s->IsBase()) p_.RemoveScenario(s);
            break;
        case 3:
            if (s != t) p_.CopyVersion(s, t);
            break;
        default:
            if (s != t && !s->IsBase()) p_.MoveVersion(s, t);
        }
    }
    void Remove() {
        TEntity* victim = nullptr;
        switch (Uniform(0, 15)) {
        case 0:
            victim = Pick(p_.Nodes());
            break;
        case 1:
            victim = Pick(p_.TransportZones());
            break;
        case 2:
        case 3:
            victim = Pick(p_.Links());
            break;
        case 4:
            victim = Pick(p_.LinkRoutes());
            break;
        case 5:
            victim = Pick(p_.Routes());
            break;
        case 6:
            victim = Pick(p_.Operators());
            break;
        case 7:
            victim = Pick(p_.Modes());
            break;
        case 8:
            victim = Pick(p_.Categories());
            break;
        case 9:
            victim = Pick(p_.Administrators());
            break;
        case 10:
            victim = Pick(p_.LinkTypes());
            break;
        case 11:
            victim = Pick(p_.NodeTypes());
            break;
        case 12:
            victim = Pick(p_.MacroZones());
            break;
        case 13:
            victim = Pick(p_.Sectors());
            break;
        case 14:
            victim = Pick(p_.AttractionFunctions());
            break;
        default:
            victim = AnyScenario();
            break;
        }
        if (victim) p_.RemoveEntity(victim);
    }

    TProject& p_;
    std::mt19937 rng_;
    int scenarioNames_ = 0;
};

} // namespace zep::model::test
