#include "model/StudyText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "foundation/CodePages.h"
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

namespace zep::model {

namespace {

template <class T> std::string Shortest(T v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string Special(double v) {
    if (std::isnan(v)) return "NAN";
    return v > 0 ? "INF" : "-INF";
}

std::string Quoted(std::string_view ansi) {
    std::string out = "\"";
    for (char c : AnsiToUtf8(ansi)) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (u < 32 || u == 127) {
            static const char* hex = "0123456789abcdef";
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

bool IsIdentity(const std::string& name) {
    static const char* const kNames[] = {"from",     "to",        "route",       "link",
                                         "mode",     "sector",    "zone",        "category",
                                         "operator", "link_type", "input_sector"};
    for (const char* n : kNames)
        if (name == n) return true;
    return false;
}

std::string Key(const TEntity* e) {
    return e ? e->KeyText() : std::string("nil");
}

template <class List> std::string Keys(const List& list) {
    std::string out;
    for (std::size_t i = 0; i < list.Count(); ++i)
        out += (i ? " " : "") + Key(list.Get(i));
    return out;
}

/// The list's entities in its sort order (the list is not touched).
template <class T, class List> std::vector<T*> Sorted(const List& list) {
    std::vector<T*> items;
    items.reserve(list.Count());
    for (std::size_t i = 0; i < list.Count(); ++i)
        items.push_back(static_cast<T*>(list.Get(i)));
    std::stable_sort(items.begin(), items.end(),
                     [&list](const T* a, const T* b) { return list.Compare(a, b) < 0; });
    return items;
}

/// Text order in which runs of digits compare as numbers (z_2 before z_10).
bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && digit(a[ei]))
                ++ei;
            while (ej < b.size() && digit(b[ej]))
                ++ej;
            // Without leading zeros the longer run is the larger number.
            const std::string x = a.substr(i, ei - i), y = b.substr(j, ej - j);
            const std::size_t zx = std::min(x.find_first_not_of('0'), x.size());
            const std::size_t zy = std::min(y.find_first_not_of('0'), y.size());
            const std::string_view nx = std::string_view(x).substr(zx);
            const std::string_view ny = std::string_view(y).substr(zy);
            if (nx.size() != ny.size()) return nx.size() < ny.size();
            if (nx != ny) return nx < ny;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

/// Records without a key of their own, ordered by the text that names them.
template <class T> struct Named {
    std::string head;
    T* record;
};
template <class T, class List, class F> std::vector<Named<T>> ByHead(const List& list, F head) {
    std::vector<Named<T>> items;
    for (std::size_t i = 0; i < list.Count(); ++i)
        items.push_back({head(*list.Get(i)), list.Get(i)});
    std::stable_sort(items.begin(), items.end(), [](const Named<T>& a, const Named<T>& b) {
        return NaturalLess(a.head, b.head);
    });
    return items;
}

class TStudyWriter {
public:
    explicit TStudyWriter(TProject& p) : p_(p) {}

    std::string Build() {
        Entity(0, "study", p_, true);
        for (TScenario* s : Sorted<TScenario>(p_.Scenarios())) {
            Head(0, "scenario " + s->GetName());
            if (s->Parent()) Line(2, "parent = " + s->Parent()->GetName());
            Values(2, *s, true);
        }
        for (TNodeType* t : Sorted<TNodeType>(p_.NodeTypes()))
            Entity(0, "node_type " + Key(t), *t, true);
        Categories();
        for (TAdministrator* a : Sorted<TAdministrator>(p_.Administrators()))
            Entity(0, "administrator " + Key(a), *a, true);
        for (TMode* m : Sorted<TMode>(p_.Modes()))
            Entity(0, "mode " + Key(m), *m, true);
        Operators();
        Routes();
        LinkTypes();
        Nodes();
        Links();
        Sectors();
        Functions();
        return std::move(out_);
    }

private:
    void Line(int indent, const std::string& text) {
        out_.append(static_cast<std::size_t>(indent), ' ');
        out_ += text;
        out_ += '\n';
    }
    void Head(int indent, const std::string& text) { Line(indent, text); }

    void Entity(int indent, const std::string& head, const TEntity& e, bool keyed) {
        Head(indent, head);
        Values(indent + 2, e, keyed);
    }

    std::string NameOf(const TPropSpecSet& set, std::int32_t id) {
        const std::string& name = set.ExchangeNameOf(id);
        if (!name.empty()) return name;
        const TPropSpec* spec = set.FindById(id);
        return (spec ? spec->StorageName() : std::string()) + "#" + std::to_string(id);
    }

    /// One "name = value" text per record worth showing, sorted by identifier.
    void Records(int indent, const TEntity& e, const TPropertyList& records, const char* prefix,
                 bool entityLevel, bool keyed, const TVersion* version) {
        const TPropSpecSet& set = e.Specs();
        std::vector<const TProperty*> shown;
        for (const TProperty& r : records) {
            if (r.value.IsEmpty()) continue;
            const TPropSpec* spec = set.FindById(r.Id());
            // Values of names or identifiers the kind does not declare live only in memory.
            if (!spec || (spec->HasFlag(psNotStored) && spec->HasFlag(psNoAttribute))) continue;
            if (keyed && (r.Id() == kPropId)) continue;
            // References that name the record (its ends, its owner, its counterpart) are in its
            // heading already.
            if (r.value.IsObject() && spec->HasFlag(psAttribute) && IsIdentity(spec->Name()))
                continue;
            if (r.value.IsObject() && !dynamic_cast<const TEntity*>(r.value.ToObject())) continue;
            if (entityLevel && spec && ValuesEqual(r.value, spec->Default())) continue;
            if (version) {
                auto& ve = static_cast<const TVersionedEntity&>(e);
                if (ve.IsRedundant(*version, r)) continue;
            }
            shown.push_back(&r);
        }
        // The name and the description first, then by identifier.
        auto rank = [](std::int32_t id) {
            return id == kPropName ? -2 : id == kPropDescription ? -1 : id;
        };
        std::sort(shown.begin(), shown.end(), [&rank](const TProperty* a, const TProperty* b) {
            return rank(a->Id()) < rank(b->Id());
        });
        for (const TProperty* r : shown)
            Line(indent, prefix + NameOf(set, r->Id()) + " = " +
                             ValueText(set.FindById(r->Id()), r->value));
    }

    void Values(int indent, const TEntity& e, bool keyed) {
        Records(indent, e, e.Properties(), "", true, keyed, nullptr);
        auto* ve = dynamic_cast<const TVersionedEntity*>(&e);
        if (!ve) return;
        std::vector<const TVersion*> versions;
        for (const auto& v : ve->Versions())
            versions.push_back(v.get());
        std::stable_sort(versions.begin(), versions.end(),
                         [](const TVersion* a, const TVersion* b) {
                             return CompareScenarios(a->Scenario(), b->Scenario()) < 0;
                         });
        for (const TVersion* v : versions)
            Records(indent, e, *v, ("[" + v->Scenario()->GetName() + "] ").c_str(), false, keyed,
                    v);
    }

    void Categories() {
        for (TCategory* c : Sorted<TCategory>(p_.Categories())) {
            Entity(0, "category " + Key(c), *c, true);
            if (c->AvailableModes().Count() > 0) Line(2, "modes: " + Keys(c->AvailableModes()));
        }
    }

    void Operators() {
        for (TOperator* op : Sorted<TOperator>(p_.Operators())) {
            Entity(0, "operator " + Key(op) + " mode " + Key(op->Mode()), *op, true);
            for (auto& [head, t] : ByHead<TTransfer>(op->Transfers(), [](const TTransfer& t) {
                     return "transfer " + Key(t.FromOperator()) + " -> " + Key(t.ToOperator());
                 }))
                Entity(2, head, *t, false);
            for (auto& [head, r] : ByHead<TOperatorCategory>(
                     op->OperatorCategories(),
                     [](const TOperatorCategory& r) { return "category " + Key(r.Category()); }))
                Entity(2, head, *r, false);
        }
    }

    void Routes() {
        for (TRoute* r : Sorted<TRoute>(p_.Routes())) {
            // An operator's own route has no key of its own: it is named by its operator. Its
            // link-routes are the operator's access to links, which the study derives from the
            // link types (and files need not keep).
            if (r->Internal()) {
                Entity(0, "internal_route of " + Key(r->Operator()), *r, true);
                continue;
            }
            Entity(0, "route " + Key(r), *r, true);
            for (auto& [head, lr] : ByHead<TLinkRoute>(r->LinkRoutes(), [](const TLinkRoute& lr) {
                     return "link_route " + Key(lr.Link());
                 }))
                Entity(2, head, *lr, true);
        }
    }

    void LinkTypes() {
        for (TLinkType* t : Sorted<TLinkType>(p_.LinkTypes())) {
            Entity(0, "link_type " + Key(t), *t, true);
            for (auto& [head, d] :
                 ByHead<TLinkTypeOper>(t->OperatorDataList(), [](const TLinkTypeOper& d) {
                     return "operator " + Key(d.Operator());
                 }))
                Entity(2, head, *d, false);
        }
    }

    void Nodes() {
        for (TNode* n : Sorted<TNode>(p_.Nodes())) {
            auto* zone = dynamic_cast<TTransportZone*>(n);
            std::string head = zone ? (zone->IsExternal() ? "external_zone " : "zone ") : "node ";
            Entity(0, head + Key(n), *n, true);
            if (n->NodeType()) Line(2, "node type: " + Key(n->NodeType()));
            if (!zone) continue;
            for (auto& [h, od] : ByHead<TODPair>(zone->ODPairs(), [](const TODPair& od) {
                     return "od_pair -> " + Key(od.Destination());
                 })) {
                Entity(2, h, *od, true);
                for (auto& [h2, cm] :
                     ByHead<TCategoryMode>(od->CategoryModes(), [](const TCategoryMode& cm) {
                         return "trips " + Key(cm.Category()) + " " + Key(cm.Mode());
                     }))
                    Entity(4, h2, *cm, true);
            }
        }
        for (TMacroZone* m : Sorted<TMacroZone>(p_.MacroZones())) {
            Entity(0, "macro_zone " + Key(m), *m, true);
            std::vector<std::string> members;
            for (std::size_t i = 0; i < m->SubZones().Count(); ++i)
                members.push_back(Key(m->SubZones().Get(i)));
            std::sort(members.begin(), members.end());
            std::string text;
            for (const auto& k : members)
                text += " " + k;
            if (!members.empty()) Line(2, "members:" + text);
        }
    }

    void Links() {
        for (TLink* l : Sorted<TLink>(p_.Links())) {
            Entity(0, "link " + Key(l), *l, false);
            for (auto& [head, t] :
                 ByHead<TTurnRestriction>(l->Turns(), [](const TTurnRestriction& t) {
                     return "turn -> " + Key(t.To());
                 }))
                Entity(2, head, *t, true);
        }
    }

    void Sectors() {
        for (TSector* s : Sorted<TSector>(p_.Sectors())) {
            Entity(0, "sector " + Key(s), *s, true);
            for (auto& [head, x] :
                 ByHead<TSectorInteraction>(s->Interactions(), [](const TSectorInteraction& x) {
                     return "interaction <- " + Key(x.InputSector());
                 })) {
                Entity(2, head, *x, true);
                if (x->Substitutes().Count() > 0) Line(4, "substitutes: " + Keys(x->Substitutes()));
            }
            for (auto& [head, r] : ByHead<TSectorZone>(s->SectorZones(), [](const TSectorZone& r) {
                     return r.Zone() ? "zone " + Key(r.Zone()) : std::string("zone (all)");
                 }))
                Entity(2, head, *r, true);
            for (auto& [head, r] :
                 ByHead<TSectorCategory>(s->SectorCategories(), [](const TSectorCategory& r) {
                     return "category " + Key(r.Category());
                 }))
                Entity(2, head, *r, true);
        }
    }

    void Functions() {
        TAttractionFunctionList& functions = p_.AttractionFunctions();
        for (TAttractionFunction* f : Sorted<TAttractionFunction>(functions)) {
            Entity(0, "function " + Key(f), *f, true);
            for (TAttractor* a : Sorted<TAttractor>(f->Attractors()))
                Entity(2, "attractor " + Key(a), *a, true);
        }
    }

    TProject& p_;
    std::string out_;
};

} // namespace

std::string RealText(double value) {
    if (!std::isfinite(value)) return Special(value);
    return Shortest(value);
}

std::string ValueText(const TPropSpec* spec, const TValue& value) {
    if (value.IsEmpty()) return {};
    if (value.IsObject()) {
        auto* e = dynamic_cast<const TEntity*>(value.ToObject());
        return e ? e->KeyText() : std::string("?");
    }
    if (value.IsText()) return Quoted(value.TextView());
    if (auto* labels = dynamic_cast<const TEnumPropSpec*>(spec)) {
        std::int32_t index = 0;
        if (value.TryToInteger(index) && index >= 0 &&
            static_cast<std::size_t>(index) < labels->Labels().size())
            return labels->Labels()[static_cast<std::size_t>(index)];
    }
    if (value.Kind() == varBoolean || (spec && ClassOf(spec->ValueType()) == TValueClass::Boolean))
        return value.ToBool() ? "true" : "false";
    if (value.Class() == TValueClass::Integer) return std::to_string(value.ToInteger());
    const double d = value.ToDouble();
    if (!std::isfinite(d)) return Special(d);
    // A value that single precision holds exactly reads best in its single-precision text.
    const auto f = static_cast<float>(d);
    if (std::isfinite(f) && static_cast<double>(f) == d) return Shortest(f);
    return Shortest(d);
}

std::string StudyText(TProject& project) {
    project.AttractionFunctions(); // made on first request: the text must not depend on that
    return TStudyWriter(project).Build();
}

} // namespace zep::model
