// The escaping both XML generators share.
#pragma once

#include <string>
#include <string_view>

namespace zep {

/// Appends `value` escaped for element content and attribute values: "&" "<" ">" and the
/// double quote as entity references, bytes 128 to 255 as decimal character references, and a
/// CR before every LF that does not already follow one. TAB, CR and other bytes pass unchanged.
void AppendXMLEscaped(std::string& out, std::string_view value);
std::string XMLEscape(std::string_view value);

} // namespace zep
