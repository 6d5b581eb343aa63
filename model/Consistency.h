// The structural consistency check of a study: the invariants that creation, removal, undo and
// the consistency pass must keep (cross lists, registrations, references). For tests and for
// `zep-cli validate`.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zep::model {

class TProject;

/// Every broken invariant, one line each, in a fixed order; empty when the study is consistent:
/// - each owning list numbers its entities (list index = position, owner = the list) and holds
///   no entity twice; identifiers are unique within the main lists;
/// - every link has both nodes in the node list and sits exactly once in its tail's outgoing and
///   its head's incoming list; every entry of a node's link lists is a link of the study that
///   ends at that node;
/// - every link-route has a link and a route of the study and sits exactly once in both their
///   lists; every entry of those lists is a link-route of the study pointing back;
/// - every route's operator is in the operator list; every operator has at most one internal
///   route; every transfer of every operator is in the transfer index exactly once, and every
///   index entry is owned by its from-operator;
/// - the transport zones are exactly the transport-zone nodes of the node list;
/// - no value of any entity or owned record (entity-level or in any version) refers to an
///   object that is not in the study.
/// `progress`, when given, hears the fraction done after each group of checks.
std::vector<std::string> CheckConsistency(TProject& project,
                                          const std::function<void(double)>& progress = {});

/// A deterministic text of the whole study for comparing states (before a command and after
/// its undo, or a study and its rebuilt copy): every list with every entity's values and
/// versions (CanonicalDump), followed by the structure the values do not show: link ends, the
/// nodes' link lists, link-route lists of links and routes, available modes, transfers,
/// operator data, turns, OD pairs, sector records, sub-zones and attractors.
std::string DumpProject(TProject& project);

/// The problems joined by newlines ("" when consistent), for test failure messages.
std::string ConsistencyReport(TProject& project);

} // namespace zep::model
