// The report filter, the report of one scenario, the settings file and the saving of both.
#include "modelio/EnergyReports.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <memory>

#include "foundation/Format.h"
#include "foundation/ORVFiles.h"
#include "foundation/ORVMiniDOM.h"
#include "foundation/OrvMessages.h"
#include "foundation/OrvXMLGenerator.h"
#include "foundation/Stream.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "modelio/ZEPASCII.h"

namespace zep::modelio {

using namespace model;
namespace fs = std::filesystem;

namespace {

const char* const kFormatNames[] = {"route", "operator", "link", "speedClass"};

// The shortest text that reads back as the same number, so that a saved width is restored.
std::string WidthText(double width) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, width);
    return std::string(buffer, result.ptr);
}

std::vector<const minidom::TElement*> ChildElements(const minidom::TElement& parent,
                                                    std::string_view name) {
    std::vector<const minidom::TElement*> found;
    for (const auto& child : parent.Children())
        if (const auto* e = dynamic_cast<const minidom::TElement*>(child.get());
            e && e->Name() == name)
            found.push_back(e);
    return found;
}

std::string CannotWrite(const std::string& fileName) {
    return "Cannot write to file \"" + fileName + "\".";
}

void WriteFile(const std::string& fileName, const std::string& content) {
    try {
        const fs::path dir = fs::path(fileName).parent_path();
        if (!dir.empty()) fs::create_directories(dir);
        ReplaceFileContent(fileName, content);
    } catch (const std::exception&) {
        throw EReportError(CannotWrite(fileName));
    }
}

} // namespace

// ---- the filter -----------------------------------------------------------------------------

void TLinkSelector::Insert(std::vector<std::string>& list, std::string_view idText) {
    auto it = std::lower_bound(list.begin(), list.end(), idText);
    if (it == list.end() || *it != idText) list.insert(it, std::string(idText));
}

void TLinkSelector::Erase(std::vector<std::string>& list, std::string_view idText) {
    auto it = std::lower_bound(list.begin(), list.end(), idText);
    if (it != list.end() && *it == idText) list.erase(it);
}

bool TLinkSelector::Holds(const std::vector<std::string>& list, std::string_view idText) {
    return std::binary_search(list.begin(), list.end(), idText);
}

bool TLinkSelector::InArea(const TLink& link) const {
    if (!area_) return true;
    return link.Tail() && link.Head() && area_->Contains(link.Tail()->Position()) &&
           area_->Contains(link.Head()->Position());
}

bool TLinkSelector::Excludes(const TLink& link, const TScenario* scenario) const {
    const TLinkType* type = link.LinkTypeIn(scenario);
    if (!type || !InArea(link)) return true;
    if (!IsLinkTypeIncluded(IdentifierText(*type))) return true;
    const TLinkRouteList& routes = link.LinkRoutes();
    if (routes.IsEmpty() || operators_.empty()) return false;
    for (std::size_t i = 0; i < routes.Count(); ++i) {
        const TRoute* route = routes.Get(i)->Route();
        const TOperator* op = route ? route->Operator() : nullptr;
        if (!op || IsOperatorIncluded(IdentifierText(*op))) return false;
    }
    return true;
}

void TLinkSelector::RefreshLinks(const TLinkList& links) {
    links_.clear();
    for (std::size_t i = 0; i < links.Count(); ++i)
        if (InArea(*links.Get(i))) links_.push_back(links.Get(i));
}

void TLinkSelector::SetProject(const TProject& project) {
    RefreshLinks(project.Links());
}

void TLinkSelector::WriteReport(const TProject& project, const TScenario* scenario,
                                std::string& text, int formatKind, int outputFormat) const {
    std::unique_ptr<TReporter> reporter;
    std::unique_ptr<TSpeedClassTable> speeds;
    switch (formatKind) {
    case rkLinkRoute:
        reporter = std::make_unique<TLinkRouteReporter>(outputFormat, *this);
        break;
    case rkOperator:
        reporter = std::make_unique<TOperatorReporter>(outputFormat, *this);
        break;
    case rkLink:
        reporter = std::make_unique<TLinkReporter>(outputFormat, *this);
        break;
    case rkSpeedClass:
        speeds = std::make_unique<TSpeedClassTable>(project, classWidth_);
        break;
    default:
        throw EReportError("Detail level not implemented");
    }

    TReportTable table(outputFormat);
    if (reporter) {
        std::vector<std::string> columns;
        reporter->Columns(columns);
        table.AddRow(columns);
    }
    const TLinkList& links = project.Links();
    const std::size_t n = links.Count();
    for (std::size_t i = 0; i < n; ++i) {
        // Every link would flood the handler; a step of 1/1024 of the work is fine enough.
        if ((i & 255) == 0) ShowProgressValue(0.5 * double(i) / double(n));
        const TLink& link = *links.Get(i);
        if (Excludes(link, scenario)) continue;
        if (reporter)
            reporter->AddRows(link, project, table, scenario);
        else
            speeds->AddLink(link, scenario);
    }
    if (speeds) speeds->Write(table);
    EndProgress();
    text += table.Finish();
}

// ---- the settings ---------------------------------------------------------------------------

void TLinkSelector::SaveSettings(TXMLGenerator& g) const {
    g.startElement("reportSettings");
    g.startElement("format");
    g.attribute("value",
                formatKind_ >= 0 && formatKind_ <= 3 ? kFormatNames[formatKind_] : kFormatNames[0]);
    g.endElement();
    if (area_) {
        area_->Write(g);
    } else {
        g.startElement("selection");
        g.endElement();
    }
    g.startElement("filters");
    for (const auto& [name, list] :
         {std::pair{"linkTypes", &linkTypes_}, {"operators", &operators_}}) {
        if (list->empty()) continue;
        g.startElement(name);
        for (const std::string& id : *list) {
            g.startElement("exclude");
            g.attribute("id", id);
            g.endElement();
        }
        g.endElement();
    }
    g.endElement();
    g.startElement("speedBreak");
    g.attribute("value", WidthText(classWidth_));
    g.endElement();
    g.endElement();
}

void TLinkSelector::LoadSettings(const minidom::TElement& element,
                                 const TReportAreaReader& readArea) {
    area_ = readArea ? readArea(element) : nullptr;
    linkTypes_.clear();
    operators_.clear();
    if (const minidom::TElement* filters = element.FindElement("filters")) {
        for (const auto& [name, list] :
             {std::pair{"linkTypes", &linkTypes_}, {"operators", &operators_}})
            if (const minidom::TElement* group = filters->FindElement(name))
                for (const minidom::TElement* e : ChildElements(*group, "exclude"))
                    if (const minidom::TAttribute* id = e->FindAttribute("id");
                        id && !id->Value().empty())
                        Insert(*list, id->Value());
    }
    if (const minidom::TElement* format = element.FindElement("format")) {
        const std::string value = format->AttributeValue("value");
        formatKind_ = rkLinkRoute;
        for (int k = 1; k <= 3; ++k)
            if (value == kFormatNames[k]) formatKind_ = k;
    }
    // A width that is missing, malformed or not above 0 could make no classes: keep the current.
    if (const minidom::TElement* width = element.FindElement("speedBreak")) {
        double value = 0;
        if (TryStrToFloat(width->AttributeValue("value"), value) && value > 0 &&
            std::isfinite(value))
            classWidth_ = value;
    }
}

// ---- files ----------------------------------------------------------------------------------

int ReportOutputFor(std::string_view fileName) {
    return fileName.size() >= 4 && SameText(fileName.substr(fileName.size() - 4), ".xls")
               ? roHtml
               : roCommaText;
}

void SaveReport(const TLinkSelector& selector, const TProject& project, const TScenario* scenario,
                int formatKind, const std::string& fileName) {
    std::string text;
    selector.WriteReport(project, scenario, text, formatKind, ReportOutputFor(fileName));
    WriteFile(fileName, text);
}

void SaveReportSettings(const TLinkSelector& selector, const std::string& fileName) {
    TMemoryStream out;
    {
        TXMLGenerator g(out);
        selector.SaveSettings(g);
        g.Flush();
    }
    WriteFile(fileName, out.Data());
}

void LoadReportSettings(TLinkSelector& selector, const std::string& fileName,
                        const TReportAreaReader& readArea) {
    TFileStream in(fileName, FileMode::OpenRead);
    const std::unique_ptr<minidom::TDocument> doc = minidom::ParseMiniDomStream(in);
    if (!doc || !doc->Root()) throw EReportError("No report settings in \"" + fileName + "\".");
    selector.LoadSettings(*doc->Root(), readArea);
}

std::string ReportSettingsFileName(const TProject& project) {
    return (fs::path(project.FileName()).parent_path() / "Assignment Report.xml").string();
}

std::string ProposedReportName(const TProject& project, const TScenario* scenario) {
    return fs::path(InputFileName(project, scenario, "energy_", false, "")).filename().string();
}

} // namespace zep::modelio
