// The root object of one study: the scenario tree, one list per entity kind, the study-wide model
// parameters, the undo set, creation and removal of entities with their cascades, validation,
// operator access to links and the consistency pass after loading.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/Exception.h"
#include "model/SCENARIO.h"
#include "model/versions.h"
#include "undo/Undo_.h"

namespace zep {
class TAddressIndex;
}

namespace zep::model {

class TAdministrator;
class TAdministratorList;
class TAttractionFunction;
class TAttractionFunctionList;
class TBaseLink;
class TCategory;
class TCategoryList;
class TExternalZone;
class TLink;
class TLinkList;
class TLinkRoute;
class TLinkRouteList;
class TLinkType;
class TLinkTypeList;
class TMacroZone;
class TMacroZoneList;
class TMicroZone;
class TMode;
class TModeList;
class TNode;
class TNodeList;
class TNodeType;
class TNodeTypeList;
class TOperator;
class TOperatorRoute;
class TOperatorList;
class TRoute;
class TRouteList;
class TSector;
class TSectorList;
class TServiceLevelList;
class TTransfer;
class TTransferList;
class TTransportZone;
class TTransportZoneList;
class TTurnRestrictionList;

/// AddLinkRoute was given something that is not a link-route (no message).
ZEP_DECLARE_EXCEPTION(EAddingInvalidEntity, Exception);
/// RemoveEntity was given an object of a class it does not handle (no message).
ZEP_DECLARE_EXCEPTION(ERemovingInvalidEntity, Exception);

/// The part of the project the entity kinds see: the base scenario, the study-wide parameters
/// (entity-level values of the project) and the registration of link-routes.
class TProjectI : public TVersionedEntity {
public:
    static constexpr std::int32_t kZoneInternalCostFactor = 1, kZoneInternalCostFactor2 = 2,
                                  kLocIterations = 3, kLocConvergence = 4, kTransIterations = 5,
                                  kTransConvergence = 6, kAuthor = 8, kTransSmoothing = 9,
                                  kLocSmoothing = 10, kAttractionFunctions = 11,
                                  kCoordinateSystem = 12, kLinkLengthMultiplier = 14,
                                  kTransUseLogit = 20, kLocUseLogit = 21,
                                  kRouteSimilarityFactor = 22;

    /// Makes the base scenario "00A" ("Base Scenario") and sets "coordinate_system" to 1.
    TProjectI();
    ~TProjectI() override;

    const char* ClassName() const override { return "TProjectI"; }
    static TPropSpecSet& ClassSpecs();
    TPropSpecSet& Specs() const override { return ClassSpecs(); }

    /// The root of the scenario tree (owned by the project's scenario list once there is one).
    TScenario* BaseScenario() const { return baseScenario_; }
    /// Loaders that rebuild the scenario list name its root here.
    void SetBaseScenario(TScenario* scenario) { baseScenario_ = scenario; }

    /// Registers a link-route with the project; anything else raises EAddingInvalidEntity, an
    /// empty argument is ignored.
    virtual void AddLinkRoute(TEntity* linkRoute) = 0;

    double LinkLengthMultiplier() const { return GetFloat(kLinkLengthMultiplier); }
    std::int32_t CoordinateSystem() const { return GetInteger(kCoordinateSystem); }

protected:
    /// Hands the base scenario over to the scenario list (which then owns it).
    TScenario* ReleaseBaseScenario() { return ownBase_.release(); }

private:
    std::unique_ptr<TScenario> ownBase_;
    TScenario* baseScenario_;
};

/// One study. Owns its undo set, its scenario list and one list per entity kind; every other
/// reference between entities is non-owning. Entities are created and removed through it so
/// that the cascades keep the study consistent; every change is recorded in the open undo
/// transaction, if any.
class TProject : public TProjectI {
public:
    /// Builds an empty study: base scenario, node type 0 "Centroid", service levels Level A to
    /// Level H and the parameter values of a new project.
    TProject();
    /// Stops recording, removes the network and frees every list.
    ~TProject() override;

    const char* ClassName() const override { return "TProject"; }
    std::unique_ptr<TEntity> CreateLike() const override { return std::make_unique<TProject>(); }

    // ---- members ----------------------------------------------------------------------------
    undo::TUndoSet& UndoSet() const { return *undoSet_; }
    TServiceLevelList& ServiceLevels() const { return *serviceLevels_; }
    TScenarioList& Scenarios() const { return *scenarios_; }
    TNodeList& Nodes() const { return *nodes_; }
    TNodeTypeList& NodeTypes() const { return *nodeTypes_; }
    TCategoryList& Categories() const { return *categories_; }
    TAdministratorList& Administrators() const { return *administrators_; }
    TModeList& Modes() const { return *modes_; }
    TOperatorList& Operators() const { return *operators_; }
    TRouteList& Routes() const { return *routes_; }
    /// The index of every transfer (owned by the operators).
    TTransferList& Transfers() const { return *transfers_; }
    TLinkTypeList& LinkTypes() const { return *linkTypes_; }
    TLinkList& Links() const { return *links_; }
    TLinkRouteList& LinkRoutes() const { return *linkRoutes_; }
    TMacroZoneList& MacroZones() const { return *macroZones_; }
    /// References to the transport zones held in the node list.
    TTransportZoneList& TransportZones() const { return *transportZones_; }
    TSectorList& Sectors() const { return *sectors_; }
    /// The list held in property 11, created on first request.
    TAttractionFunctionList& AttractionFunctions();

    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string name) { fileName_ = std::move(name); }
    /// Set when the study came from the model's own network or assignment file.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on) { readOnly_ = on; }
    bool AssignmentResults() const { return assignmentResults_; }
    void SetAssignmentResults(bool on) { assignmentResults_ = on; }

    // ---- scenarios ----------------------------------------------------------------------------
    /// A new scenario under `parent`, added to the scenario list.
    TScenario* NewScenario(TScenario* parent);
    /// Removes the scenario's subtree (children first) and every version held in it. The base
    /// scenario cannot be removed (std::invalid_argument).
    void RemoveScenario(TScenario* scenario);
    /// The set scenario while it is a member of the scenario list, else the base scenario
    /// (which then becomes the current one).
    TScenario* CurrentScenario();
    void SetCurrentScenario(TScenario* scenario) { currentScenario_ = scenario; }

    /// Over the lists in the fixed order; the project's own versions stay.
    void RemoveVersion(TScenario* scenario) override;
    /// The project's own versions first, then the lists.
    bool HasVersion(const TScenario* scenario) const override;
    void CopyVersion(TScenario* from, TScenario* to) override;
    void MoveVersion(TScenario* from, TScenario* to) override;
    /// The first message of the lists in the fixed order; empty when all are valid.
    std::string ErrorMessageIn(const TScenario* scenario) const override;
    /// SetProject(this) on every list.
    void SetProjectAll();

    // ---- creation -----------------------------------------------------------------------------
    TNode* NewNode(std::int32_t id = 0);
    /// The node with that identifier, or a new one with it.
    TNode* NodeById(std::int32_t id);
    TMicroZone* NewMicroZone(std::int32_t id = 0);
    TExternalZone* NewExternalZone(std::int32_t id = 0);
    TMacroZone* NewMacroZone(std::int32_t id = 0);
    TNodeType* NewNodeType(std::int32_t id = 0);
    TLinkType* NewLinkType(std::int32_t id = 0);
    /// The link from -> to, created when there is none.
    TLink* LinkBetween(TNode* from, TNode* to);
    /// LinkBetween(NodeById(fromId), NodeById(toId)) given identifier `id` (0: the next free).
    TLink* NewLinkByIds(std::int32_t id, std::int32_t fromId, std::int32_t toId);
    TAdministrator* NewAdministrator(std::int32_t id = 0);
    TCategory* NewCategory(std::int32_t id = 0);
    TMode* NewMode(std::int32_t id = 0);
    /// The operator with its internal route and its transfer to itself.
    TOperator* NewOperator(TMode* mode, std::int32_t id = 0);
    /// The operator with that identifier or a new one of `mode`; named when `name` is not empty.
    TOperator* OperatorById(std::int32_t id, const std::string& name, TMode* mode);
    TRoute* NewRoute(TOperator* op, std::int32_t id = 0);
    /// The route with that identifier (its operator reset) or a new one; named when `name` is
    /// not empty.
    TRoute* RouteById(std::int32_t id, const std::string& name, TOperator* op);
    /// The transfer from -> to (made when missing), entered in the transfer index once.
    TTransfer* AddTransfer(TOperator* from, TOperator* to);
    /// The link's link-route of the route, created when there is none.
    TLinkRoute* NewLinkRoute(TLink* link, TRoute* route);
    TSector* NewSector(std::int32_t id = 0);
    /// A new function whose target is the first sector (in the base scenario).
    TAttractionFunction* NewAttractionFunction();

    void AddLinkRoute(TEntity* linkRoute) override;

    // ---- removal ------------------------------------------------------------------------------
    /// Removes the entity with its cascades (a scenario: RemoveVersion of it); any other class
    /// raises ERemovingInvalidEntity.
    void RemoveEntity(TEntity* entity);
    /// Removes the link, its link-routes and, with `withReverse`, the reverse link; without it
    /// the reverse link's "two_way" is set false in every scenario.
    void RemoveLink(TLink* link, bool withReverse);
    /// Removes the nodes (zones included) as one cascade: every link touching them with its
    /// link-routes, turns leading onto them, zone data; surviving reverse links lose "two_way"
    /// in every scenario. The same end state as removing them one by one, in far fewer moves.
    void RemoveNodes(const std::vector<TNode*>& nodes);
    /// Drops the sector records and OD pairs that point at the transport zones among `nodes`.
    void DropZoneRecords(const std::vector<TNode*>& nodes);
    /// Removes every link-route, link and node ("Removing Objects" progress).
    void RemoveAll();
    /// While the returned object lives, removals from the node, link and link-route lists and
    /// from the routes' link-route lists are collected and done in one sweep per list when it
    /// goes (one undo step each). Removed entities leave every other list at once, but stay in
    /// those lists until then: callers must not count or walk them meanwhile. For edits that
    /// remove thousands of entities (the network simplifier).
    class TDeferredRemovals {
    public:
        explicit TDeferredRemovals(TProject& project);
        ~TDeferredRemovals();
        TDeferredRemovals(const TDeferredRemovals&) = delete;
        TDeferredRemovals& operator=(const TDeferredRemovals&) = delete;

    private:
        std::vector<TEntityList*> lists_;
    };

    // ---- lookups ------------------------------------------------------------------------------
    TNode* FindNode(std::int32_t id) const;
    TLink* FindLink(const TNode* from, const TNode* to) const;
    /// The link between the nodes with those identifiers (a missing to node is created).
    TLink* FindLinkByIds(std::int32_t fromId, std::int32_t toId);
    TLink* ReverseLink(const TLink* link) const;
    /// The first operator of type "route", or nullptr.
    TOperator* FirstRouteOperator() const;
    /// The operator's internal route (in the route list), or nullptr.
    TOperatorRoute* InternalRouteOf(const TOperator* op) const;
    const std::vector<TRoute*>& InternalRoutes() const;

    bool IsTwoWayPair(const TLink* link, const TScenario* scenario) const;
    bool IsPlainTwoWayPair(const TLink* link, const TScenario* scenario) const;

    // ---- files and model values ---------------------------------------------------------------
    /// The file name with the extension ".ini".
    std::string IniFileName() const;
    /// The path file of a mode in the current scenario (PRJ00A.P1S beside the project file);
    /// `compressed` gives the gzip form.
    std::string PathFileName(std::int32_t modeIndex, bool compressed = false);
    /// Mode indexes 0..39 whose path file exists plain or compressed.
    std::bitset<40> ModesWithPaths();
    double MeanValueOfTime(const TMode* mode, const TScenario* scenario) const;
    double MeanValueOfWaitingTime(const TMode* mode, const TScenario* scenario) const;

    // ---- validation, access, repair -----------------------------------------------------------
    /// Every invalid entity, list by list, in a new reference list ("Validating" progress).
    std::unique_ptr<TEntityList> Validate();
    void UpdateLinkAccess(TLink* link, TScenario* scenario);
    void UpdateOperatorAccess(TOperator* op, TScenario* scenario);
    void UpdateAllAccess(TScenario* scenario);
    /// After the object stream: Repair, then SortAll.
    void AfterLoad() override;
    /// The consistency pass over a loaded study (logs "Upgrade:" lines).
    void Repair();
    /// Sorts (or, read-only, renumbers) the entity lists; records no undo.
    void SortAll();
    /// Files do not store a macro zone's members: rebuilds every macro zone's sub-zones from
    /// the micro zones' `macro_zone`, in zone-list order (readers call it after loading).
    void RebuildMacroZoneMembers();
    /// Puts every link-route whose link and route are set into its link's and its route's list
    /// where it is missing, in list order (files hold only the owning list). Linear in the
    /// link-routes. The consistency pass begins with it, unless the study is read-only.
    void RegisterLinkRoutes();

    /// Takes over objects a damaged project file made but no list of the study took: values may
    /// still refer to them, so they live as long as the study, and die with it.
    void AdoptOrphans(std::vector<std::unique_ptr<TZEPPersistent>> orphans) {
        for (auto& o : orphans)
            orphans_.push_back(std::move(o));
    }

    /// Registers the persistent model classes with the class registry by name.
    static void RegisterModelClasses();

private:
    void RemoveLinkRoute(TLinkRoute* lr);
    void RemoveRoute(TRoute* route);
    void RemoveOperator(TOperator* op);
    void RemoveMode(TMode* mode);
    void RemoveCategory(TCategory* category);
    void RemoveAdministrator(TAdministrator* admin);
    void RemoveLinkType(TLinkType* type);
    void RemoveNodeType(TNodeType* type);
    void RemoveNode(TNode* node);
    void RemoveTransportZone(TTransportZone* zone);
    void RemoveMacroZone(TMacroZone* zone);
    void RemoveSector(TSector* sector);
    void RemoveAttractionFunction(TAttractionFunction* function);
    void ForEachTurnList(const std::function<void(TTurnRestrictionList&)>& f);
    void RepairRoutes();
    void RepairOperators();
    void RepairLinkRoutes();
    void RepairLinks();
    void RepairLinkTypes();
    void RepairLandUse();
    double MeanCategoryValue(const TMode* mode, const TScenario* scenario, std::int32_t id) const;

    // Declared first, so freed last: the lists' entities may still refer to them.
    std::vector<std::unique_ptr<TZEPPersistent>> orphans_;
    std::unique_ptr<undo::TUndoSet> undoSet_;
    std::unique_ptr<TServiceLevelList> serviceLevels_;
    std::string fileName_;
    bool readOnly_ = false;
    bool assignmentResults_ = false;
    std::unique_ptr<TNodeList> nodes_;
    std::unique_ptr<TNodeTypeList> nodeTypes_;
    std::unique_ptr<TScenarioList> scenarios_;
    std::unique_ptr<TCategoryList> categories_;
    std::unique_ptr<TAdministratorList> administrators_;
    std::unique_ptr<TModeList> modes_;
    std::unique_ptr<TOperatorList> operators_;
    std::unique_ptr<TRouteList> routes_;
    /// The internal routes in route list order, rebuilt when the route list has changed:
    /// access updates run once per edited link and must not walk every transit route.
    mutable std::vector<TRoute*> internalRoutes_;
    mutable std::uint64_t internalRoutesStamp_ = ~std::uint64_t{0};
    std::unique_ptr<TTransferList> transfers_;
    std::unique_ptr<TLinkTypeList> linkTypes_;
    std::unique_ptr<TLinkList> links_;
    std::unique_ptr<TLinkRouteList> linkRoutes_;
    std::unique_ptr<TMacroZoneList> macroZones_;
    std::unique_ptr<TTransportZoneList> transportZones_;
    std::unique_ptr<TSectorList> sectors_;
    std::unique_ptr<TAttractionFunctionList> attractionFunctions_;
    TScenario* currentScenario_ = nullptr;
};

/// The path file of a mode of `scenario`: the first three characters of the project's name,
/// the scenario's name, ".P", the mode's position + 1 and "S" (compressed: the last "S" becomes
/// "Z"), in the project file's directory. A study opened read-only from a model file inside the
/// scenario's own directory finds its path files in the study directory above when they are
/// there and not beside it: the model's path search writes them where it runs, in the study
/// directory, while its assignment file goes into the scenario directory.
std::string ScenarioPathFileName(const TProject& project, const TScenario* scenario,
                                 std::int32_t modeIndex, bool compressed = false);

} // namespace zep::model
