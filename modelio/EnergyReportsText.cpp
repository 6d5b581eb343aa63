// The texts of the assignment reports: identifiers, numbers, clock times, comma text, the HTML
// table, and the service level a link's speed gives.
#include <cmath>
#include <cstdlib>

#include "foundation/Format.h"
#include "foundation/OrvMessages.h"
#include "model/ADMIN.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Project.h"
#include "modelio/EnergyReports.h"

namespace zep::modelio {

using namespace model;

std::string IdentifierText(std::int64_t id) {
    return std::to_string(id < 0 ? -id : id);
}

std::string IdentifierText(const TEntity& entity) {
    return IdentifierText(static_cast<std::int64_t>(entity.Id()));
}

namespace {

bool NeedsQuotes(std::string_view cell) {
    for (const char c : cell)
        if (static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',') return true;
    return false;
}

void AppendHtmlEscaped(std::string& out, std::string_view cell) {
    for (const char c : cell) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
}

} // namespace

void AppendCommaTextCell(std::string& out, std::string_view cell) {
    if (!NeedsQuotes(cell)) {
        out += cell;
        return;
    }
    out += '"';
    for (const char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

std::vector<std::string> SplitCommaText(std::string_view line) {
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"')
                cells.back() += c;
            else if (i + 1 < line.size() && line[i + 1] == '"')
                cells.back() += line[++i];
            else
                quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            cells.emplace_back();
        } else {
            cells.back() += c;
        }
    }
    return cells;
}

std::string ReportNumber(double value, int decimals) {
    if (!std::isfinite(value)) return {};
    // A sum that rounds to nothing must not print as "-0.0".
    std::string text = FloatToStrFixed(value, decimals);
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

std::string ClockText(double hours) {
    return FormatTimeSpan(hours * 3600.0);
}

const std::vector<double>& ServiceLevelShares() {
    static const std::vector<double> shares{0.85, 0.67, 0.50, 0.40, 0.30, 0.20, 0.10, 0.0};
    return shares;
}

const TServiceLevel* LinkServiceLevel(const TProject& project, const TLink& link,
                                      const TScenario* scenario) {
    const TLinkType* type = link.LinkTypeIn(scenario);
    if (!type) return nullptr;
    const double reference = type->MaxFreeFlowSpeed(scenario);
    if (!(reference > 0) || !std::isfinite(reference)) return nullptr;
    const double share = link.GetFloatIn(scenario, TLink::kSpeed) / reference;
    const std::vector<double>& shares = ServiceLevelShares();
    std::size_t level = shares.size() - 1;
    for (std::size_t i = 0; i + 1 < shares.size(); ++i)
        if (share > shares[i]) {
            level = i;
            break;
        }
    const TServiceLevelList& levels = project.ServiceLevels();
    return level < levels.Count() ? levels.Get(level) : nullptr;
}

// ---- the table ------------------------------------------------------------------------------

TReportTable::TReportTable(int outputFormat) : html_(outputFormat == 1 || outputFormat == 2) {
    if (html_) text_ = "<html>\r\n  <head>\r\n  </head>\r\n  <body>\r\n    <table>\r\n";
}

void TReportTable::AddRow(const std::vector<std::string>& cells) {
    if (!html_) {
        if (rows_ > 0) text_ += "\r\n";
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i > 0) text_ += ',';
            AppendCommaTextCell(text_, cells[i]);
        }
    } else {
        const char* open = rows_ == 0 ? "        <th>\r\n" : "        <td>\r\n";
        const char* close = rows_ == 0 ? "        </th>\r\n" : "        </td>\r\n";
        text_ += "      <tr>\r\n";
        for (const std::string& cell : cells) {
            text_ += open;
            text_.append(10, ' ');
            AppendHtmlEscaped(text_, cell);
            text_ += "\r\n";
            text_ += close;
        }
        text_ += "      </tr>\r\n";
    }
    ++rows_;
}

std::string TReportTable::Finish() {
    if (html_) text_ += "    </table>\r\n  </body>\r\n</html>";
    return std::move(text_);
}

} // namespace zep::modelio
