#include "files/ModelFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "foundation/CodePages.h"
#include "foundation/Format.h"
#include "foundation/ORVFiles.h"
#include "foundation/OrvMessages.h"
#include "model/ADMIN.h"
#include "model/CATEGORY.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/Zone.h"

namespace zep::files {

using namespace zep::model;

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

class TModelReader {
public:
    TModelReader(TStream& in, TProject& project, std::string fileName)
        : in_(in), p_(project), fileName_(std::move(fileName)) {}
    void Read();

private:
    std::int32_t Int32() {
        std::int32_t v;
        in_.ReadBuffer(&v, 4);
        return v;
    }
    std::int16_t Int16() {
        std::int16_t v;
        in_.ReadBuffer(&v, 2);
        return v;
    }
    std::uint8_t Byte() {
        std::uint8_t v;
        in_.ReadBuffer(&v, 1);
        return v;
    }
    float Single() {
        float v;
        in_.ReadBuffer(&v, 4);
        return v;
    }
    double Double() {
        double v;
        in_.ReadBuffer(&v, 8);
        return v;
    }
    std::string Bytes(std::size_t n) {
        std::string s(n, '\0');
        if (n) in_.ReadBuffer(s.data(), n);
        return s;
    }
    void Skip(std::size_t n) { Bytes(n); }
    // A fixed text field: up to its first zero byte, from the OEM character set, trimmed.
    static std::string Field(std::string_view raw) {
        const std::size_t zero = raw.find('\0');
        if (zero != std::string_view::npos) raw = raw.substr(0, zero);
        return Trim(OemToAnsi(raw));
    }
    // A length-prefixed text in a field of `size` bytes (the length byte included).
    static std::string PascalField(std::string_view raw) {
        std::size_t n = raw.empty() ? 0 : static_cast<unsigned char>(raw[0]);
        if (n > raw.size() - 1) n = raw.size() - 1;
        return Trim(OemToAnsi(raw.substr(1, n)));
    }
    std::string ShortString() {
        const std::uint8_t n = Byte();
        return Trim(OemToAnsi(Bytes(n)));
    }
    struct Identity {
        std::int32_t id;
        std::string name;
    };
    Identity ReadIdentity() {
        Identity r;
        r.id = Int32();
        r.name = Field(Bytes(32));
        return r;
    }
    [[noreturn]] void Fail(const std::string& message) { throw EInvalidFormat(message); }
    // A count and its negation.
    std::int32_t Count(const char* message) {
        const std::int32_t n = RangedCount(message);
        if (n < 0) Fail(message);
        return n;
    }
    // A count and its negation whose range the caller checks with its own message (a negative
    // count is out of range, not a damaged record).
    std::int32_t RangedCount(const char* message) {
        const std::int32_t n = Int32();
        const std::int32_t neg = Int32();
        if (static_cast<std::int64_t>(n) + neg != 0) Fail(message);
        return n;
    }
    void Trailer(std::int32_t n, const char* message) {
        if (Int32() != n) Fail(message);
    }
    void Number(std::int32_t expected, const char* message) {
        if (Int32() != expected) Fail(message);
    }
    void SetIn(TVersionedEntity* e, std::int32_t id, double v) {
        e->SetValueIn(s_, id, TValue::Single(static_cast<float>(v)));
    }
    void SetIn(TVersionedEntity* e, std::int32_t id, const TValue& v) { e->SetValueIn(s_, id, v); }

    void StudyRecord();
    void Scenarios();
    void Categories();
    void Administrators();
    void Modes();
    void Operators();
    void OperatorData();
    void LinkTypes();
    void Routes();
    void Zones();
    void Links();
    void Nodes();

    template <class T, class L> T* FindIn(const L& list, std::int32_t id) {
        return static_cast<T*>(list.FindById(id));
    }

    TStream& in_;
    TProject& p_;
    std::string fileName_;
    TScenario* s_ = nullptr;
    std::vector<TLinkType*> linkTypes_;
    std::vector<double> speedFactors_;
};

void TModelReader::StudyRecord() {
    const std::string rec = Bytes(188);
    p_.SetName(Field(std::string_view(rec).substr(22, 3)));
    p_.SetDescription(Field(std::string_view(rec).substr(25, 80)));
}

void TModelReader::Scenarios() {
    const char* kError = "Error Reading Scenarios";
    const std::int32_t n = RangedCount(kError);
    if (n < 1 || n > 200) Fail("Bad Number of Scenarios");
    std::vector<TScenario*> read;
    for (std::int32_t i = 1; i <= n; ++i) {
        Number(i, kError);
        const std::int32_t parent = Int32();
        const std::string code = PascalField(Bytes(6));
        const std::string name = PascalField(Bytes(32));
        if (parent < 0 || parent > static_cast<std::int32_t>(read.size())) Fail("Invalid Scenario");
        TScenario* s = p_.Scenarios().FindScenario(code);
        if (!s) {
            if (read.empty()) {
                s = p_.BaseScenario();
            } else {
                TScenario* up = parent > 0 ? read[parent - 1] : p_.BaseScenario();
                s = p_.NewScenario(up);
            }
            s->SetName(code);
            if (!name.empty()) s->SetDescription(name);
        }
        read.push_back(s);
    }
    Trailer(n, kError);
    const std::int32_t current = Int32();
    if (current < 1 || current > n) Fail(kError);
    s_ = read[current - 1];
    p_.SetCurrentScenario(s_);
}

void TModelReader::Categories() {
    const char* kError = "Error reading Categories";
    const std::int32_t n = RangedCount(kError);
    if (n < 1 || n > 64) Fail(Format("Number of Categories (%0:d) not valid", {n}));
    for (std::int32_t i = 1; i <= n; ++i) {
        Number(i, kError);
        const Identity id = ReadIdentity();
        auto* c = FindIn<TCategory>(p_.Categories(), id.id);
        if (!c) {
            c = p_.NewCategory(id.id);
            c->SetName(id.name);
        }
        SetIn(c, TCategory::kValueOfTravelTime, Single());
        SetIn(c, TCategory::kValueOfWaitingTime, Single());
        SetIn(c, TCategory::kVehicleAvailability, Single());
        const double minGeneration = Single();
        SetIn(c, TCategory::kMinGeneration, minGeneration);
        SetIn(c, TCategory::kMaxGeneration, Single() + minGeneration);
        SetIn(c, TCategory::kDemandElasticity, Single());
        SetIn(c, TCategory::kModeChoiceElasticity, Single());
        SetIn(c, TCategory::kModeChoiceLogitScaling, Single());
        SetIn(c, TCategory::kPathChoiceElasticity, Single());
        SetIn(c, TCategory::kPathChoiceLogitScaling, Single());
    }
    Trailer(n, kError);
}

void TModelReader::Administrators() {
    const char* kError = "Error reading Administrators";
    const std::int32_t n = Count(kError);
    if (n < 1 || n > 40) Fail(Format("Number of Administrators (%0:d) not valid", {n}));
    for (std::int32_t i = 1; i <= n; ++i) {
        Number(i, kError);
        const Identity id = ReadIdentity();
        if (!FindIn<TAdministrator>(p_.Administrators(), id.id))
            p_.NewAdministrator(id.id)->SetName(id.name);
    }
    Trailer(n, kError);
}

void TModelReader::Modes() {
    const char* kError = "Error reading Modes";
    const std::int32_t n = Count(kError);
    for (std::int32_t i = 1; i <= n; ++i) {
        Number(i, kError);
        const Identity id = ReadIdentity();
        auto* m = FindIn<TMode>(p_.Modes(), id.id);
        if (!m) {
            m = p_.NewMode(id.id);
            m->SetName(id.name);
        }
        SetIn(m, TMode::kValueOfTravelTime, Single());
        SetIn(m, TMode::kValueOfWaitingTime, Single());
        SetIn(m, TMode::kNofPaths, TValue(static_cast<int>(Int32())));
        SetIn(m, TMode::kPathOverlappingFactor, Single());
        SetIn(m, TMode::kIsPublic, TValue(Byte() != 0));
        SetIn(m, TMode::kAlternativeSpecificConstant, Single());
        for (std::size_t k = 0; k < p_.Categories().Count(); ++k) {
            auto* c = static_cast<TCategory*>(p_.Categories().Get(k));
            Number(static_cast<std::int32_t>(k + 1), kError);
            if (Int32() != c->Id()) Fail(kError);
            if (Byte() != 0) c->AddMode(m);
        }
    }
    Trailer(n, kError);
}

void TModelReader::Operators() {
    const char* kError = "Error reading Operators";
    const std::int32_t n = Count(kError);
    for (std::int32_t i = 1; i <= n; ++i) {
        Number(i, kError);
        const Identity id = ReadIdentity();
        const std::int32_t modeId = Int32();
        auto* mode = FindIn<TMode>(p_.Modes(), modeId);
        if (!mode) {
            ShowError(Format("Mode %0:s not valid in Operator %1:s",
                             {std::to_string(modeId), std::to_string(i)}));
            if (p_.Modes().Count() == 0) Fail(kError);
            mode = static_cast<TMode*>(p_.Modes().Get(0));
        }
        TOperator* op = p_.OperatorById(id.id, id.name, mode);
        // An operator met again is reused with the mode this record gives it.
        if (op->Mode() != mode) op->SetMode(mode);
        op->SetInteger(TOperator::kType, Byte());
        SetIn(op, TOperator::kOccupancyRate, Single());
        SetIn(op, TOperator::kDistanceTariff, Single());
        SetIn(op, TOperator::kBoardingTariff, Single());
        SetIn(op, TOperator::kModalConstant, Single());
        const double minEnergy = Single();
        SetIn(op, TOperator::kMinEnergy, minEnergy);
        SetIn(op, TOperator::kMaxEnergy, Single() + minEnergy);
        SetIn(op, TOperator::kEnergySlope, Single());
        SetIn(op, TOperator::kEnergyCost, Single());
        SetIn(op, TOperator::kPctCostToUser, Single());
        SetIn(op, TOperator::kTimeCost, Single());
        SetIn(op, TOperator::kTimeTariff, Single());
        SetIn(op, TOperator::kMinWaitingTime, Single());
        SetIn(op, TOperator::kMaxWaitingTime, Single());
        SetIn(op, TOperator::kConstantCost, Single());
        const float returnShare = Single();
        if (returnShare > 0) {
            SetIn(op, TOperator::kPctReturnTrips, returnShare);
            SetIn(op, TOperator::kHasReturnTrips, TValue(true));
        } else {
            SetIn(op, TOperator::kPctReturnTrips, TValue());
            SetIn(op, TOperator::kHasReturnTrips, TValue(false));
        }
        SetIn(op, TOperator::kTimeFactor, Single());
        SetIn(op, TOperator::kPathAsc, Single());
        const std::int32_t nc = Count(kError);
        for (std::int32_t k = 1; k <= nc; ++k) {
            Number(k, kError);
            auto* c = FindIn<TCategory>(p_.Categories(), Int32());
            if (!c) Fail(kError);
            const float tariff = Single(), penalty = Single(), asc = Single();
            if (tariff != 1 || penalty != 1) {
                TOperatorCategory* oc = op->GetOrCreateOperatorCategoryFor(c);
                SetIn(oc, TOperatorCategory::kTariff, tariff);
                SetIn(oc, TOperatorCategory::kPenalty, penalty);
                SetIn(oc, TOperatorCategory::kAsc, asc);
            }
        }
        Trailer(nc, kError);
    }
    Trailer(n, kError);
}

void TModelReader::OperatorData() {
    const char* kError = "Error reading Operators";
    const std::int32_t n = Count(kError);
    for (std::int32_t i = 1; i <= n; ++i) {
        Number(i, kError);
        auto* from = FindIn<TOperator>(p_.Operators(), Int32());
        if (!from) Fail(kError);
        for (std::int32_t k = 0; k < n; ++k) {
            const std::int32_t toId = Int32();
            const float tariff = Single();
            auto* to = FindIn<TOperator>(p_.Operators(), toId);
            if (!to) continue;
            if (tariff != static_cast<float>(to->GetFloatIn(s_, TOperator::kBoardingTariff))) {
                TTransfer* t = p_.AddTransfer(from, to);
                const double cost = tariff >= 0 && tariff < 8.9e9 ? tariff : kInfinity;
                SetIn(t, TTransfer::kTransferCost, TValue(cost));
            }
        }
    }
    Trailer(n, kError);
}

void TModelReader::LinkTypes() {
    const char* kError = "Error reading LinkTypes";
    const std::int32_t n = RangedCount(kError);
    if (n < 1 || n > 255) Fail(Format("Number of Link Types (%0:d) not valid", {n}));
    for (std::int32_t i = 1; i <= n; ++i) {
        Number(i, kError);
        const Identity id = ReadIdentity();
        auto* t = FindIn<TLinkType>(p_.LinkTypes(), id.id);
        if (!t) {
            t = p_.NewLinkType(id.id);
            t->SetName(id.name);
        }
        auto* admin = FindIn<TAdministrator>(p_.Administrators(), Int32());
        const double speedFactor = Single();
        SetIn(t, TLinkType::kMinMaintenanceCost, Single());
        SetIn(t, TLinkType::kPctSpeedAtFullCapacity, Single());
        SetIn(t, TLinkType::kVcForMinSpeed, Single());
        SetIn(t, TLinkType::kCapacityFactor, Single());
        SetIn(t, TLinkType::kMinSpeedPct, Single());
        t->SetAdminIn(s_, admin);
        for (std::size_t k = 0; k < p_.Operators().Count(); ++k) {
            auto* op = static_cast<TOperator*>(p_.Operators().Get(k));
            Number(static_cast<std::int32_t>(k + 1), kError);
            if (Int32() != op->Id()) Fail(kError);
            TLinkTypeOper* d = t->GetOrCreateOperatorData(op);
            SetIn(d, TLinkTypeOper::kFreeFlowSpeed, Single() * speedFactor);
            SetIn(d, TLinkTypeOper::kEquivalentVehicles, Single());
            SetIn(d, TLinkTypeOper::kCharges, Single());
            SetIn(d, TLinkTypeOper::kDistanceCost, Single());
            SetIn(d, TLinkTypeOper::kPenalization, Single());
        }
    }
    Trailer(n, kError);
}

void TModelReader::Routes() {
    const char* kError = "Error reading Routes";
    const std::int32_t n = RangedCount(kError);
    if (n < 1 || n > 8192) Fail(Format("Number of Routes (%0:d) not valid", {n}));
    for (std::int32_t i = 1; i <= n; ++i) {
        Number(i, kError);
        const Identity id = ReadIdentity();
        const std::int32_t opId = Int32();
        auto* op = FindIn<TOperator>(p_.Operators(), opId);
        if (!op) {
            ShowError(Format("Operator %0:s not valid in Route %1:s",
                             {std::to_string(opId), std::to_string(id.id) + " " + id.name}));
            if (p_.Operators().Count() == 0) Fail(kError);
            op = static_cast<TOperator*>(p_.Operators().Get(0));
        }
        // A record naming another operator's internal route (its identifier is that
        // operator's, negated) must not take the route away: the operator reaches the network
        // through it. Such a record becomes a route of its own.
        auto* found = FindIn<TRoute>(p_.Routes(), id.id);
        TRoute* r;
        if (found && found->Internal() && found->Operator() != op) {
            r = p_.NewRoute(op);
            if (!id.name.empty()) r->SetName(id.name);
        } else {
            r = p_.RouteById(id.id, id.name, op);
        }
        SetIn(r, TRoute::kMinFreq, Single());
        SetIn(r, TRoute::kMaxFreq, Single());
        SetIn(r, TRoute::kNewFreq, Single());
        SetIn(r, TRoute::kTargetOccupancy, Single());
        SetIn(r, TRoute::kMaxFleet, Single());
        SetIn(r, TRoute::kScheduled, TValue(Byte() != 0));
    }
    Trailer(n, kError);
}

void TModelReader::Zones() {
    const char* kError = "Error reading zones";
    const std::int32_t n = Count(kError);
    const std::int32_t internal = Int32();
    (void)Int32();
    for (std::int32_t i = 1; i <= n; ++i) {
        Number(i, kError);
        const Identity id = ReadIdentity();
        const std::int32_t a = Int32(), b = Int32();
        if (p_.FindNode(id.id)) continue; // an existing zone keeps its kind
        TZone* z;
        if (a == b)
            z = i <= internal ? static_cast<TZone*>(p_.NewMicroZone(id.id))
                              : static_cast<TZone*>(p_.NewExternalZone(id.id));
        else
            z = p_.NewMacroZone(id.id);
        z->SetName(id.name);
    }
    Trailer(n, kError);
}

void TModelReader::Links() {
    const char* kError = "Error reading Links";
    const std::int32_t n = Count(kError);
    for (std::int32_t i = 1; i <= n; ++i) {
        if (i % 256 == 0) ShowProgress("Reading Links", static_cast<double>(i) / n);
        Number(i, kError);
        const std::int32_t fromId = Int32(), toId = Int32();
        const std::int32_t id = Int32();
        const bool twoWay = Byte() != 0;
        const std::int32_t typeId = Int32();
        const float length = Single();
        const std::int32_t capacity = Int32();
        const float speed = Single();
        const float delay = Single();
        const float extra[3] = {Single(), Single(), Single()};
        TLink* link = nullptr;
        if (fromId == 0 || toId == 0 || fromId == toId) {
            ShowError(Format("%d/%d  %d,%d", {i, n, fromId, toId}));
        } else {
            link = p_.NewLinkByIds(id, fromId, toId);
            SetIn(link, TLink::kTwoWay, TValue(twoWay));
            auto* type = FindIn<TLinkType>(p_.LinkTypes(), typeId);
            link->SetLinkTypeIn(s_, type);
            SetIn(link, TLink::kLength, length);
            double cap = capacity < 0 ? kInfinity : static_cast<double>(capacity);
            if (p_.AssignmentResults() && type && capacity >= 0) {
                const double factor = type->GetFloatIn(s_, TLinkType::kCapacityFactor);
                if (factor != 0) cap = std::round(cap / factor);
            }
            SetIn(link, TLink::kCapacity, TValue(cap));
            SetIn(link, TLink::kSpeed, speed);
            SetIn(link, TLink::kDelay, delay);
            for (int k = 0; k < 3; ++k)
                SetIn(link, 32 + k, extra[k]);
        }
        const std::int32_t nr = Count(kError);
        for (std::int32_t k = 0; k < nr; ++k) {
            const std::int32_t routeId = Int32();
            const float waiting = Single(), volume = Single(), vehicles = Single();
            const std::uint8_t noTransfers = Byte();
            Skip(8);
            const float board = Single(), unboard = Single();
            if (!link) continue;
            auto* route = FindIn<TRoute>(p_.Routes(), routeId);
            if (!route) {
                ShowError(Format(
                    "Route %0:s not valid in Link %1:s ",
                    {std::to_string(routeId), std::to_string(link->Id()) + " " + link->GetName()}));
                continue;
            }
            TLinkRoute* lr = p_.NewLinkRoute(link, route);
            SetIn(lr, TLinkRoute::kWaitingTime, waiting);
            SetIn(lr, TLinkRoute::kVolume, volume);
            SetIn(lr, TLinkRoute::kVehicles, vehicles);
            SetIn(lr, TLinkRoute::kNoTransfers, TValue(static_cast<int>(noTransfers)));
            SetIn(lr, TLinkRoute::kBoard, board);
            SetIn(lr, TLinkRoute::kUnboard, unboard);
            lr->SetUsedIn(s_, true);
        }
        Trailer(nr, kError);
        const std::int32_t nt = Count(kError);
        for (std::int32_t k = 0; k < nt; ++k) {
            const std::int32_t nodeId = Int32();
            const float turnDelay = Single();
            if (!link) continue;
            TNode* node = p_.FindNode(nodeId);
            if (!node) continue;
            TTurnRestriction* turn = link->GetOrCreateTurnTo(node);
            if (turnDelay >= 0)
                SetIn(turn, TTurnRestriction::kDelay, turnDelay);
            else
                SetIn(turn, TTurnRestriction::kRestriction, TValue(true));
        }
        Trailer(nt, kError);
        if (link)
            if (TLink* back = p_.FindLink(link->Head(), link->Tail())) {
                link->twoWayMarker_ = true;
                back->twoWayMarker_ = true;
            }
    }
    Trailer(n, kError);
    EndProgress();
}

void TModelReader::Nodes() {
    std::uint8_t marker[4];
    in_.ReadBuffer(marker, 4);
    const bool doubles = marker[0] == 0 && marker[1] == 0 && marker[2] == 1 && marker[3] == 2;
    const std::int8_t types = static_cast<std::int8_t>(Byte());
    if (types > 100) Fail(Format("Number of Node Types (%0:d) not valid", {int(types)}));
    for (int i = 0; i < types; ++i) {
        const std::int32_t id = Int32();
        const std::string name = ShortString();
        Skip(64);
        bool found = false;
        for (std::size_t k = 0; k < p_.NodeTypes().Count() && !found; ++k)
            found = p_.NodeTypes().Get(k)->Id() == id;
        if (!found) p_.NewNodeType(id)->SetName(name);
    }
    const std::uint16_t n = static_cast<std::uint16_t>(Int16());
    for (std::uint32_t i = 0; i < n; ++i) {
        if (i % 256 == 0) ShowProgress("Reading Nodes", static_cast<double>(i) / n);
        const std::int32_t id = Int32();
        const std::string name = ShortString();
        Skip(1);
        double x, y;
        if (doubles) {
            x = Double();
            y = Double();
        } else {
            x = Int32();
            y = Int32();
        }
        const std::uint8_t flag = Byte();
        Skip(64);
        TNode* node = p_.NodeById(id);
        if (node->GetFloat(TNode::kX) != 0 || node->GetFloat(TNode::kY) != 0) {
            ShowError(Format("Node %0:s duplicated", {std::to_string(id)}));
            continue;
        }
        if (!name.empty()) node->SetName(name);
        node->SetFloat(TNode::kX, x);
        node->SetFloat(TNode::kY, y);
        node->networkFileFlag_ = flag != 0;
    }
    EndProgress();
    // Nodes the file gave no position take the mean of their placed neighbours.
    for (int pass = 0; pass < 5; ++pass) {
        bool placedAny = false, missing = false;
        for (std::size_t i = 0; i < p_.Nodes().Count(); ++i) {
            TNode* node = p_.Nodes().Get(i);
            if (node->GetFloat(TNode::kX) != 0 || node->GetFloat(TNode::kY) != 0) continue;
            // Each linked node counts once, whether joined in one direction or both.
            std::vector<TNode*> neighbours;
            for (TBaseLinkList* l : {&node->OutLinks(), &node->InLinks()})
                for (std::size_t j = 0; j < l->Count(); ++j) {
                    TBaseLink* link = l->Get(j);
                    TNode* other = link->Tail() == node ? link->Head() : link->Tail();
                    if (other &&
                        std::find(neighbours.begin(), neighbours.end(), other) == neighbours.end())
                        neighbours.push_back(other);
                }
            double sx = 0, sy = 0;
            int k = 0;
            for (TNode* other : neighbours) {
                const double ox = other->GetFloat(TNode::kX), oy = other->GetFloat(TNode::kY);
                if (ox == 0 && oy == 0) continue;
                sx += ox;
                sy += oy;
                ++k;
            }
            if (k > 0) {
                node->SetFloat(TNode::kX, sx / k);
                node->SetFloat(TNode::kY, sy / k);
                placedAny = true;
            } else if (node->OutLinks().Count() + node->InLinks().Count() > 0) {
                missing = true;
            }
        }
        if (!placedAny || !missing) break;
    }
}

void TModelReader::Read() {
    const std::int32_t format = Int32();
    if (format != 1 && format != 3)
        Fail(Format("Incorrect file version %0:d in File:%1:s", {format, fileName_}));
    StudyRecord();
    Scenarios();
    if (format == 1) {
        Categories();
        Administrators();
        Modes();
        Operators();
        OperatorData();
        LinkTypes();
        Routes();
        Zones();
        Links();
        Nodes();
    }
}

bool EndsWithT3S(const std::string& name) {
    return name.size() >= 4 && SameText(std::string_view(name).substr(name.size() - 4), ".T3S");
}

} // namespace

void ReadModelFile(TStream& in, TProject& project, const std::string& fileName) {
    project.SetAssignmentResults(EndsWithT3S(fileName));
    TModelReader(in, project, fileName).Read();
    project.SetReadOnly(true);
    project.AfterLoad();
}

} // namespace zep::files
