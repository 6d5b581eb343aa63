// The readable text of a whole study: every entity of every kind with its values for all
// scenarios and per scenario, sorted and stable, so that two studies compare with diff and
// scripts can read one. UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace zep::model {

class TProject;
class TPropSpec;
class TPropSpecSet;
class TValue;

/// The shortest decimal text that reads back to the same double; "INF", "-INF", "NAN" for the
/// special values.
std::string RealText(double value);

/// A value as the study text shows it: references by key, reals in their shortest text (the
/// shortest single-precision text when the value is one), booleans as true/false, text quoted
/// in UTF-8. `spec` may be null.
std::string ValueText(const TPropSpec* spec, const TValue& value);

/// The whole study, one line per fact:
///   <kind> <key> [<identity>]
///     <name> = <value>             held once for all scenarios
///     [<scenario>] <name> = <value> held by that scenario itself
/// Kinds in a fixed order, entities by key, owned records under their owner by identity.
/// The operators' access to links (the link-routes of their own routes) is derived and left
/// out; so are values no file keeps (defaults held for all scenarios, overrides equal to what
/// the parent gives, values of names the kind does not declare) and the order of the lists.
std::string StudyText(TProject& project);

} // namespace zep::model
