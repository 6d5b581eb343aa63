// Links of the transport network and what runs on them: base links registered with their
// nodes, links with geometry, turn restrictions, routes with their chains, and link-routes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Stream.h"
#include "model/NODE.h"
#include "model/Polylines.h"
#include "model/versions.h"

namespace zep::model {

class TLink;
class TLinkRoute;
class TLinkRouteList;
class TLinkType;
class TOperator;
class TRoute;
class TTurnRestrictionList;

/// A directed connection from a tail node to a head node. It is in the tail's outgoing and the
/// head's incoming list from creation until it is detached.
class TBaseLink : public TVersionedEntity {
public:
    explicit TBaseLink(TProjectI* project = nullptr, TNode* tail = nullptr, TNode* head = nullptr);
    /// Leaves the lists of nodes that are still alive (without undo steps).
    ~TBaseLink() override;

    const char* ClassName() const override { return "TBaseLink"; }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TBaseLink>(Project());
    }

    /// Tail identifier right-aligned in 6 characters, a blank and a tab, head identifier.
    std::string GetListText() const override;
    /// Leaves both nodes' lists (undoable).
    void Dettach() override;

    TNode* Tail() const { return tail_; }
    TNode* Head() const { return head_; }
    /// Enters the nodes' lists where missing (undoable; loaders and the consistency pass).
    void Attach();
    /// A node being freed forgets this link (no undo).
    void NodeDestroyed(TNode* node);

protected:
    /// Loaders: sets the end nodes without entering their lists.
    void SetEndsRaw(TNode* tail, TNode* head) {
        tail_ = tail;
        head_ = head;
    }

private:
    TNode* tail_;
    TNode* head_;
};

class TBaseLinkList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TBaseLinkList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TBaseLinkList>(owns, Project());
    }
    TBaseLink* Get(std::size_t i) const { return GetAs<TBaseLink>(i); }
};

/// The link order: tail identifier, then head identifier.
int CompareLinks(const TBaseLink* a, const TBaseLink* b);

/// Whether `op` may use `link` in the scenario: the link has a type there, the type carries
/// data for the operator, and its "free_flow_speed" there is above 0.
bool OperatorMayUseLink(const TLink* link, const TOperator* op, const TScenario* scenario);

// ---- turn restrictions ---------------------------------------------------------------------

/// A turn from the owning link, at its head, towards node "to". Its existence in a scenario is
/// its "restriction" value.
class TTurnRestriction : public TVersionedEntity {
public:
    static constexpr std::int32_t kTo = 1, kRestriction = 255, kDelay = 3;

    explicit TTurnRestriction(TProjectI* project = nullptr, TNode* to = nullptr);
    const char* ClassName() const override { return "TTurnRestriction"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TTurnRestriction>(Project());
    }
    void Copy(const TEntity& other) override;
    void AfterLoad() override;

    TNode* To() const { return to_; }
    /// Field (undoably) and property "to".
    void SetTo(TNode* node);

private:
    TNode* to_;
};

class TTurnRestrictionList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TTurnRestrictionList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TTurnRestrictionList>(owns, Project());
    }
    TTurnRestriction* Get(std::size_t i) const { return GetAs<TTurnRestriction>(i); }
    /// The turn towards `node`, or nullptr.
    TTurnRestriction* FindTo(const TNode* node) const;
    /// Deletes every turn towards `node` (undoably).
    void DropNode(const TNode* node);
};

// ---- link-routes ----------------------------------------------------------------------------

/// One route on one link. Its identifier and name are its route's.
class TLinkRoute : public TVersionedEntity {
public:
    static constexpr std::int32_t kNoTransfers = 2, kTravelTime = 3, kWaitingTime = 4, kVolume = 5,
                                  kVehicles = 6, kSpeed = 7, kEnergy = 8, kOperationCost = 9,
                                  kTariff = 10, kCharges = 11, kBoard = 31, kUnboard = 32,
                                  kLink = 40, kRoute = 41;

    /// With a link that has both nodes and a route, enters the link's and the route's lists;
    /// otherwise logs "Bad Link Route" and stays out of them.
    explicit TLinkRoute(TProjectI* project = nullptr, TLink* link = nullptr,
                        TRoute* route = nullptr);
    const char* ClassName() const override { return "TLinkRoute"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TLinkRoute>(Project());
    }

    const TProperty* FindProperty(std::int32_t id) const override;
    std::int32_t Id() const override;
    std::string GetName() const override;
    /// The route's list text after the character 0xAE (route operator of type "route") or four
    /// blanks.
    std::string GetListText() const override;
    /// Own identifier below zero, or an internal route.
    bool Internal() const override;
    bool IsUsedIn(const TScenario* scenario) const override;
    /// Switching on a link-route of a route not used in the scenario starts the route anew
    /// there with this link-route alone.
    void SetUsedIn(TScenario* scenario, bool used) override;
    bool HasVersion(const TScenario* scenario) const override;
    void CopyVersion(TScenario* from, TScenario* to) override;
    void MoveVersion(TScenario* from, TScenario* to) override;
    std::string ErrorMessageIn(const TScenario* scenario) const override;
    /// Leaves the link's and the route's lists (undoable).
    void Dettach() override;
    /// Fields from "link" and "route"; enters the link's list when missing.
    void AfterLoad() override;

    TLink* Link() const { return link_; }
    TRoute* Route() const { return route_; }
    /// Whether the entry sits in its link's and its route's lists.
    bool IsRegistered() const;
    /// Enters the link's and the route's lists where missing (undoable).
    void Register();

private:
    /// Before copying or moving a version: a link-route switched on in `from` on a link used
    /// there makes the link used in `to`.
    void CarryLinkUse(TScenario* from, TScenario* to);

    TLink* link_;
    TRoute* route_;
};

/// Link-routes in the link-route order: by their links, then by absolute route identifier.
class TLinkRouteList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TLinkRouteList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TLinkRouteList>(owns, Project());
    }
    TLinkRoute* Get(std::size_t i) const { return GetAs<TLinkRoute>(i); }
    int Compare(const TZEPPersistent* a, const TZEPPersistent* b) const override;
    TLinkRoute* FindByLink(const TLink* link) const;
    TLinkRoute* FindByRoute(const TRoute* route) const;
};

/// A route's link-routes, with the route's chains: the used link-routes of a scenario joined
/// end to start. The stored order is left as it is (undo records address positions in it);
/// the chain order is a view computed on demand and kept until the list or the set of used
/// link-routes changes.
class TRouteLinkRouteList : public TLinkRouteList {
public:
    using TLinkRouteList::TLinkRouteList;
    const char* ClassName() const override { return "TRouteLinkRouteList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TRouteLinkRouteList>(owns, Project());
    }

    using TChain = std::vector<TLinkRoute*>;
    /// The chains of the scenario, in the order they were built.
    const std::vector<TChain>& Chains(const TScenario* scenario) const;
    /// The chains one after the other, followed by the link-routes not used in the scenario
    /// (in link-route order).
    std::vector<TLinkRoute*> Ordered(const TScenario* scenario) const;
    bool IsOrderedFor(const TScenario* scenario) const { return ordered_ && for_ == scenario; }

protected:
    void ItemAdded(std::size_t index, TZEPPersistent* item) override;
    void ItemRemoved(std::size_t index, TZEPPersistent* item) override;
    void Reordered() override;

private:
    void Build(const TScenario* scenario) const;

    mutable bool ordered_ = false;
    mutable const TScenario* for_ = nullptr;
    mutable std::vector<TLinkRoute*> used_; // the used entries the chains were built from
    mutable std::vector<TChain> chains_;
    mutable std::vector<TLinkRoute*> unused_;
};

// ---- routes ----------------------------------------------------------------------------------

/// A line of an operator over an ordered set of links.
class TRoute : public TVersionedEntity {
public:
    static constexpr std::int32_t kMinFreq = 1, kMaxFreq = 2, kNewFreq = 3, kTargetOccupancy = 4,
                                  kMaxFleet = 5, kScheduled = 6, kOperator = 20;

    explicit TRoute(TProjectI* project = nullptr, TOperator* op = nullptr);
    ~TRoute() override;
    const char* ClassName() const override { return "TRoute"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TRoute>(Project());
    }

    /// Writing "operator" also sets the operator field.
    void SetProperty(std::int32_t id, const TValue& value) override;
    /// "target_occupancy" shows the operator's value where the route resolves none.
    PVProperty GetVersionedProperty(TScenario* scenario, std::int32_t id) override;
    bool IsObsoleteInternal() const override;
    bool HasVersion(const TScenario* scenario) const override;
    std::string ErrorMessageIn(const TScenario* scenario) const override;
    /// The inherited copy, then clones of the other's link-routes on the same links, added to
    /// the project.
    void Copy(const TEntity& other) override;
    void AfterLoad() override;

    /// OperatorMayUseLink with the route's operator.
    virtual bool CanUseLink(const TLink* link, const TScenario* scenario) const;

    TOperator* Operator() const { return operator_; }
    /// Field and property "operator".
    void SetOperator(TOperator* op);
    TRouteLinkRouteList& LinkRoutes() const { return *linkRoutes_; }
    std::size_t CountUsedLinkRoutes(const TScenario* scenario) const;
    /// The resolved "target_occupancy", or the operator's where the route resolves none.
    double TargetOccupancyIn(const TScenario* scenario) const;
    /// Always for operators other than of type "route"; otherwise at most one chain, or two
    /// of which the first starts where the second ends.
    bool IsFullyConnected(const TScenario* scenario) const;

private:
    TOperator* operator_;
    std::unique_ptr<TRouteLinkRouteList> linkRoutes_;
};

/// The internal route every operator owns; its identifier is minus the operator's and its
/// name the operator's.
class TOperatorRoute : public TRoute {
public:
    using TRoute::TRoute;
    const char* ClassName() const override { return "TOperatorRoute"; }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TOperatorRoute>(Project());
    }
    const TProperty* FindProperty(std::int32_t id) const override;
    std::int32_t Id() const override;
    std::string GetName() const override;
    bool Internal() const override { return true; }

private:
    mutable TProperty idRecord_{kPropId, TValue()};
};

class TRouteList : public TVersionedEntityList {
public:
    using TVersionedEntityList::TVersionedEntityList;
    const char* ClassName() const override { return "TRouteList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TRouteList>(owns, Project());
    }
    TRoute* Get(std::size_t i) const { return GetAs<TRoute>(i); }
};

// ---- links -----------------------------------------------------------------------------------

/// One straight piece of a link's course.
struct TSegment {
    TFloatPoint a;
    TFloatPoint b;
};

/// A link of the network: its values per scenario, the link-routes on it, the turns from it and
/// its drawn course.
class TLink : public TBaseLink {
public:
    static constexpr std::int32_t kType = 2, kTwoWay = 3, kLength = 4, kCapacity = 5, kSpeed = 6,
                                  kLinkName = 7, kLinkDesc = 8, kFrom = 30, kTo = 31, kDelay = 35,
                                  kPolypoints = 50;

    /// Enters the nodes' lists, sets "from" and "to", and (with a project) the base scenario's
    /// "length" to the geometric length (through `points`, the initial polyline) times the
    /// project's "link_length_multiplier".
    explicit TLink(TProjectI* project = nullptr, TNode* tail = nullptr, TNode* head = nullptr,
                   TPoint3Vector points = {});
    ~TLink() override;
    const char* ClassName() const override { return "TLink"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }
    std::unique_ptr<TEntity> CreateLike() const override {
        return std::make_unique<TLink>(Project());
    }

    /// Tail IdText, "-", head IdText (key text l_12-15).
    std::string IdText() const override;
    bool HasVersion(const TScenario* scenario) const override;
    std::string ErrorMessageIn(const TScenario* scenario) const override;
    /// The inherited copy (keeping this link's ends), then clones of the other's link-routes on
    /// this link (added to the project) and of its turn restrictions.
    void Copy(const TEntity& other) override;
    void SetProject(TProjectI* project) override;
    void AfterLoad() override;
    /// The version operations reach the owned turn restrictions too (a removed scenario must
    /// leave no version behind in them).
    void RemoveVersion(TScenario* scenario) override;
    void CopyVersion(TScenario* from, TScenario* to) override;
    void MoveVersion(TScenario* from, TScenario* to) override;
    void Normalize() override;

    TLinkRouteList& LinkRoutes() const { return *linkRoutes_; }
    /// The link's turn restrictions; the list is made on first use (most links have none).
    TTurnRestrictionList& Turns() const;
    /// Whether the link holds any turn restriction (without making the list).
    bool HasTurns() const { return turns_ && !turns_->IsEmpty(); }
    TPolyline& Polyline() const { return *polyline_; }

    TLinkType* LinkTypeIn(const TScenario* scenario) const;
    /// "type" in the scenario; "used" becomes whether the type is not none.
    void SetLinkTypeIn(TScenario* scenario, TLinkType* type);
    TLinkRoute* LinkRouteOf(const TRoute* route) const;
    TTurnRestriction* TurnTo(const TNode* node) const;
    TTurnRestriction* GetOrCreateTurnTo(TNode* node);
    /// true: the turn (created when missing) gets "restriction" true and "delay" plus infinity
    /// in the scenario; false: an existing turn's two values are cleared there.
    void SetTurnProhibited(TNode* node, TScenario* scenario, bool prohibited);
    bool IsTurnProhibited(const TNode* node, const TScenario* scenario) const;
    /// The k-th (from 0) head, other than this link's tail, of the used outgoing links of this
    /// link's head; nullptr when there are fewer.
    TNode* NextNode(std::size_t k, const TScenario* scenario) const;

    /// Tail, polyline points, head.
    const std::vector<TFloatPoint>& GeometryPoints() const;
    const std::vector<TSegment>& Segments() const;
    /// The sum of the segment lengths.
    double GeometricLength() const;
    /// The smallest distance from `point` to a segment (each shifted sideways by `offset`);
    /// plus infinity without segments.
    double Distance(TFloatPoint point, double offset) const;
    /// Inserts the point into the polyline at the nearest segment (undoable).
    void InsertPolylinePoint(TFloatPoint point);
    /// Parses "polypoints" (a polyline record) into the polyline; false when it holds none.
    bool ApplyPolypoints();

    /// Totals over the link-routes in the scenario, rounded to integers (halves up).
    double TotalVolume(const TScenario* scenario) const;
    double TotalVehicles(const TScenario* scenario) const;
    /// "vehicles" times the route operator's "equivalent_vehicles" on the link's type.
    double TotalEquivalentVehicles(const TScenario* scenario) const;

    /// Set when the link was read as one of a two-way pair from the model's own network file.
    bool twoWayMarker_ = false;

private:
    void RebuildGeometry() const;

    std::unique_ptr<TLinkRouteList> linkRoutes_;
    mutable std::unique_ptr<TTurnRestrictionList> turns_; // null until first needed
    std::unique_ptr<TPolyline> polyline_;
    mutable std::vector<TSegment> segments_;
    mutable std::vector<TFloatPoint> points_;
    mutable std::uint32_t geometryRevision_ = 0;
    mutable bool geometryBuilt_ = false;
};

/// The result of reading a polyline file.
struct TPolylineReadResult {
    std::size_t applied = 0;
    /// Records naming a link the study does not have ("tail, head").
    std::vector<std::string> unknown;
};

/// Links in link order when sorted.
class TLinkList : public TBaseLinkList {
public:
    using TBaseLinkList::TBaseLinkList;
    const char* ClassName() const override { return "TLinkList"; }
    std::unique_ptr<TEntityList> CreateLike(bool owns) const override {
        return std::make_unique<TLinkList>(owns, Project());
    }
    TLink* Get(std::size_t i) const { return GetAs<TLink>(i); }
    int Compare(const TZEPPersistent* a, const TZEPPersistent* b) const override;

    /// The link used in the scenario (any link without one) nearest to `point` by Distance;
    /// a radius of 0 or more is the initial bound (only strictly closer links qualify), a
    /// negative one lets the first link examined set it; the earlier link wins a tie. Logs to
    /// "Link.TLinkList.Nearest".
    TLink* NearestLink(TFloatPoint point, const TScenario* scenario, double offset,
                       double radius) const;

    /// One record line per link whose own polyline is not empty.
    void WritePolylines(TStream& out) const;
    /// Reads a polyline file and replaces the polylines of the links it names (undoable).
    /// A malformed line raises EPolylineFormatError naming the line; nothing is changed then.
    TPolylineReadResult ReadPolylines(TStream& in);
};

} // namespace zep::model
