#include "model/NODE.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "foundation/CodePages.h"
#include "foundation/Format.h"
#include "model/LINK.h"

namespace zep::model {

namespace {
void WriteZeros(TStream& out, std::size_t n) {
    static const char zeros[64] = {};
    while (n > 0) {
        const std::size_t k = n < sizeof zeros ? n : sizeof zeros;
        out.WriteBuffer(zeros, k);
        n -= k;
    }
}

void WriteDouble(TStream& out, double v) {
    // The file is little-endian like the machines it was made for.
    unsigned char b[8];
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    for (int i = 0; i < 8; ++i)
        b[i] = static_cast<unsigned char>(bits >> (8 * i));
    out.WriteBuffer(b, 8);
}

void WriteShortString(TStream& out, const std::string& text) {
    const std::string s = text.size() > 255 ? text.substr(0, 255) : text;
    const auto len = static_cast<unsigned char>(s.size());
    out.WriteBuffer(&len, 1);
    out.WriteBuffer(s.data(), s.size());
}
} // namespace

void TNodeType::StoreZEPTPar(TStream& out) const {
    WriteShortString(out, AnsiToOem(Trim(GetName())));
    WriteZeros(out, 64);
}

void TNodeType::loadZEPTPar(TStream& in) {
    unsigned char len = 0;
    in.ReadBuffer(&len, 1);
    std::string name(len, '\0');
    if (len > 0) in.ReadBuffer(name.data(), len);
    char reserved[64];
    in.ReadBuffer(reserved, sizeof reserved);
    SetName(OemToAnsi(Trim(name)));
}

TNode::TNode(TProjectI* project)
    : TVersionedEntity(project), outLinks_(std::make_unique<TBaseLinkList>(false, project)),
      inLinks_(std::make_unique<TBaseLinkList>(false, project)) {
    // Registration with a node is part of creating or deleting a link, which records its own
    // undo steps; the node's lists are plain references.
}

TNode::~TNode() {
    for (TBaseLinkList* list : {outLinks_.get(), inLinks_.get()}) {
        auto links = list->Items();
        for (TZEPPersistent* item : links)
            static_cast<TBaseLink*>(item)->NodeDestroyed(this);
    }
}

TPropSpecSet& TNode::ClassSpecs() {
    static TPropSpecSet* set = [] {
        auto* s = new TPropSpecSet(TVersionedEntity::ClassSpecs());
        s->AddAll({
            new TIntIdPropSpec(kPropId, "id", psAttribute, "n"),
            new TFloatPropSpec(kX, "x", psUnversioned),
            new TFloatPropSpec(kY, "y", psUnversioned),
            new TIntPropSpec(kNodeType, "node_type", psNoAttribute, TValue(), TValue(0), TValue(4)),
        });
        return s;
    }();
    return *set;
}

void TNode::StoreZEPTPar(TStream& out) const {
    WriteShortString(out, AnsiToOem(Trim(GetName())));
    const unsigned char zero = 0;
    out.WriteBuffer(&zero, 1);
    WriteDouble(out, GetFloat(kX));
    WriteDouble(out, GetFloat(kY));
    const unsigned char flag = networkFileFlag_ ? 0xFF : 0;
    out.WriteBuffer(&flag, 1);
    WriteZeros(out, 64);
}

bool TNode::IsUsedIn(const TScenario* scenario) const {
    for (const TBaseLinkList* list : {outLinks_.get(), inLinks_.get()})
        for (TZEPPersistent* item : list->Items())
            if (static_cast<TBaseLink*>(item)->IsUsedIn(scenario)) return true;
    return false;
}

bool TNode::HasVersion(const TScenario* scenario) const {
    for (const TBaseLinkList* list : {outLinks_.get(), inLinks_.get()})
        for (TZEPPersistent* item : list->Items())
            if (static_cast<TBaseLink*>(item)->HasVersion(scenario)) return true;
    return false;
}

std::unique_ptr<TScenarioList> TNode::ScenariosWithVersions(const TScenarioList& scenarios) const {
    auto result = std::make_unique<TScenarioList>(false);
    result->SetRecordsUndo(false);
    for (TZEPPersistent* s : scenarios.Items())
        if (HasVersion(static_cast<TScenario*>(s))) result->Add(s);
    return result;
}

void TNode::SetPosition(TFloatPoint p) {
    SetFloat(kX, p.x);
    SetFloat(kY, p.y);
}

void TNode::SetNodeType(TNodeType* type) {
    SetPointerField(nodeType_, type);
}

TNode* TNodeList::NodeById(std::int32_t id) {
    if (TEntity* found = FindById(id)) return static_cast<TNode*>(found);
    auto node = std::make_unique<TNode>(Project());
    // A fresh node needs no undo step for its identifier: undoing the addition removes it.
    node->RawProperties().RawPut(kPropId, TValue(id));
    node->ResetIdCache();
    TNode* raw = node.release();
    Add(raw);
    return raw;
}

TNode* TNodeList::NearestNode(TFloatPoint point, const TScenario* scenario, bool all,
                              double radius) const {
    TNode* best = nullptr;
    double bound = radius >= 0 ? radius : std::numeric_limits<double>::infinity();
    for (TZEPPersistent* item : Items()) {
        TNode* node = static_cast<TNode*>(item);
        if (!(all || node->IsZone() || scenario == nullptr || node->IsUsedIn(scenario))) continue;
        const TFloatPoint p = node->Position();
        const double d = std::hypot(p.x - point.x, p.y - point.y);
        if (d < bound || (best == nullptr && radius < 0 && d == bound)) {
            best = node;
            bound = d;
        }
    }
    return best;
}

} // namespace zep::model
