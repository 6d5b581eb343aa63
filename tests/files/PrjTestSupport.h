// A small root class for object-stream tests that needs no entity kinds: scenarios, versioned
// entities, plain entities and a reference list, plus a random study builder.
#pragma once

#include <memory>
#include <random>
#include <string>

#include "files/OrdList_.h"
#include "files/PrjFile.h"
#include "files/STREAM_.h"
#include "model/CanonicalDump.h"
#include "model/SCENARIO.h"
#include "model/versions.h"

namespace zep::files::test {

class TTestRoot : public model::TEntity {
public:
    TTestRoot()
        : scenarios(std::make_unique<model::TScenarioList>(true)),
          things(std::make_unique<model::TVersionedEntityList>(true)),
          plain(std::make_unique<model::TEntityList>(true)),
          refs(std::make_unique<model::TEntityList>(false)) {}
    const char* ClassName() const override { return "TTestRoot"; }

    // Declared first, so freed last: values of the lists below may refer to these.
    std::vector<std::unique_ptr<TZEPPersistent>> orphans;

    std::unique_ptr<model::TScenarioList> scenarios;
    std::unique_ptr<model::TVersionedEntityList> things;
    std::unique_ptr<model::TEntityList> plain;
    std::unique_ptr<model::TEntityList> refs; // not owning
    model::TScenario* base = nullptr;
    bool attraction = false; // stands for a non-empty attraction-function list
    std::string fileName;

    std::string Dump() const {
        return model::DumpEntity(*this) + model::DumpList(*scenarios) + model::DumpList(*things) +
               model::DumpList(*plain) + model::DumpList(*refs);
    }
};

inline void RegisterTestRoot() {
    TStreamClass c;
    c.name = "TTestRoot";
    c.parent = "TEntity";
    c.store = [](const TZEPPersistent& o, TObjectWriter& w) {
        const auto& r = static_cast<const TTestRoot&>(o);
        StoreEntityBody(w, r);
        StoreListBody(w, *r.scenarios);
        w.WriteRef(r.base);
        StoreListBody(w, *r.things);
        StoreListBody(w, *r.plain);
        StoreListBody(w, *r.refs);
    };
    c.load = [](TZEPPersistent& o, TObjectReader& rd) {
        auto& r = static_cast<TTestRoot&>(o);
        r.LoadProperties(rd);
        LoadRefList<model::TScenario>(rd, *r.scenarios);
        r.base = ReadRefAs<model::TScenario>(rd);
        LoadRefList<model::TVersionedEntity>(rd, *r.things);
        LoadRefList<model::TEntity>(rd, *r.plain);
        LoadRefList<model::TEntity>(rd, *r.refs);
    };
    TStreamClassTable::Global().Register(c);
    TProjectFileHooks hooks;
    hooks.prepareStore = [](TZEPPersistent& o) {
        return static_cast<TTestRoot&>(o).attraction ? kVersionAttraction : kVersionPlain;
    };
    hooks.setFileName = [](TZEPPersistent& o, const std::string& name) {
        static_cast<TTestRoot&>(o).fileName = name;
    };
    hooks.adoptOrphans = [](TZEPPersistent& o, std::vector<std::unique_ptr<TZEPPersistent>> v) {
        auto& r = static_cast<TTestRoot&>(o);
        for (auto& p : v)
            r.orphans.push_back(std::move(p));
    };
    RegisterProjectFileHooks("TTestRoot", hooks);
}

/// A new scenario below `parent` (none: a base) with the given name; the caller adds it to a list.
inline model::TScenario* NamedScenario(model::TScenario* parent, const std::string& name) {
    auto* s = new model::TScenario(parent);
    s->SetName(name);
    return s;
}

/// Scenarios base -> s1 -> s2 and base -> s3 (created out of scenario order), `n` versioned
/// entities with values of every kind in random scenarios, plain entities referred to by values.
inline std::unique_ptr<TTestRoot> BuildRandomRoot(std::uint32_t seed, int n) {
    std::mt19937 rng(seed);
    auto root = std::make_unique<TTestRoot>();
    root->SetName("Root " + std::to_string(seed));
    root->RawProperties().RawPut(7, model::TValue(" padded text  "));
    auto* base = NamedScenario(nullptr, "00A");
    auto* s3 = NamedScenario(base, "03A");
    auto* s1 = NamedScenario(base, "01A");
    auto* s2 = NamedScenario(s1, "02A");
    s2->streamByte1_ = 7;
    s2->streamByte2_ = 9;
    for (auto* s : {base, s1, s2, s3})
        root->scenarios->Add(s);
    root->scenarios->Sort();
    root->base = base;
    model::TScenario* all[] = {base, s1, s2, s3};

    for (int i = 0; i < n / 4 + 1; ++i) {
        auto* e = new model::TEntity();
        e->SetId(1000 + i);
        e->SetName("plain " + std::to_string(i));
        root->plain->Add(e);
        if (i % 2) root->refs->Add(e);
    }
    auto randomValue = [&](int kind) -> model::TValue {
        std::uniform_int_distribution<int> big(-100000, 100000);
        switch (kind) {
        case 0:
            return model::TValue(big(rng));
        case 1:
            return model::TValue::Int16(static_cast<std::int16_t>(big(rng) % 30000));
        case 2:
            return model::TValue::Byte(static_cast<std::uint8_t>(rng() % 256));
        case 3:
            return model::TValue(big(rng) / 7.0);
        case 4:
            return model::TValue::Single(static_cast<float>(big(rng)) / 8.0f);
        case 5:
            return model::TValue(static_cast<bool>(rng() % 2));
        case 6:
            return model::TValue(std::string(rng() % 300 + 1, static_cast<char>('a' + rng() % 26)));
        case 7:
            return model::TValue(root->plain->Get(rng() % root->plain->Count()));
        case 8:
            return model::TValue::Date(45000.25 + rng() % 100);
        default:
            return model::TValue::Currency(big(rng) / 100.0);
        }
    };
    for (int i = 0; i < n; ++i) {
        auto* e = new model::TVersionedEntity(nullptr);
        e->SetId(i + 1);
        e->SetName("thing " + std::to_string(i));
        root->things->Add(e);
        for (int k = 0; k < 4; ++k)
            e->RawProperties().RawPut(static_cast<std::int32_t>(1 + rng() % 200),
                                      randomValue(static_cast<int>(rng() % 10)));
        for (int k = 0; k < 5; ++k) {
            model::TScenario* s = all[rng() % 4];
            e->RawVersion(s).RawPut(static_cast<std::int32_t>(1 + rng() % 200),
                                    randomValue(static_cast<int>(rng() % 10)));
        }
    }
    return root;
}

inline std::string StoreToBytes(TTestRoot& root) {
    TMemoryStream out;
    StoreProject(out, root);
    return out.Data();
}

inline std::unique_ptr<TTestRoot> LoadFromBytes(const std::string& bytes) {
    auto root = std::make_unique<TTestRoot>();
    TMemoryStream in(bytes);
    LoadProject(in, *root);
    return root;
}

} // namespace zep::files::test
