#include "analysis/Selections.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <map>

#include "foundation/Format.h"
#include "foundation/ORVMiniDOM.h"
#include "foundation/OrvXMLGenerator.h"

namespace zep::analysis {

using model::TFloatPoint;

// ---- rectangles ---------------------------------------------------------------------------------

TWorldRect TWorldRect::Of(double x1, double y1, double x2, double y2) {
    return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2), false};
}

void TWorldRect::Include(TFloatPoint p) {
    if (empty) {
        *this = {p.x, p.y, p.x, p.y, false};
        return;
    }
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
}

void TWorldRect::Include(const TWorldRect& r) {
    if (r.empty) return;
    Include(TFloatPoint{r.left, r.top});
    Include(TFloatPoint{r.right, r.bottom});
}

bool TWorldRect::Contains(TFloatPoint p) const {
    return !empty && p.x >= left && p.x <= right && p.y >= top && p.y <= bottom;
}

// ---- registry -----------------------------------------------------------------------------------

namespace {

using TCreator = std::function<std::shared_ptr<ISelection>()>;

std::map<std::string, TCreator>& Registry() {
    static std::map<std::string, TCreator> registry = [] {
        std::map<std::string, TCreator> r;
        r["rectangle"] = [] { return std::make_shared<TCubeSelection>(); };
        r["composite"] = [] { return std::make_shared<TCompositeSelection>(); };
        return r;
    }();
    return registry;
}

/// The shortest text that reads back as the same double: a rectangle written and read again
/// must select exactly the same links.
std::string NumberText(double v) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, r.ptr);
}

double NumberAttribute(const minidom::TElement& element, const char* name) {
    double v = 0;
    const minidom::TAttribute* a = element.FindAttribute(name);
    if (a && TryStrToFloat(a->Value(), v)) return v;
    return std::numeric_limits<double>::quiet_NaN();
}

} // namespace

std::string SelectionElementName(const std::string& className) {
    std::string name = LowerCase(className);
    const std::string word = "selection";
    for (std::size_t at; (at = name.find(word)) != std::string::npos;)
        name.erase(at, word.size());
    if (!name.empty() && name[0] == 't') name.erase(0, 1);
    return name;
}

void RegisterSelectionClass(const std::string& elementName, TCreator create) {
    Registry()[elementName] = std::move(create);
}

PSelection CreateSelection(const minidom::TElement& element) {
    auto it = Registry().find(element.Name());
    if (it == Registry().end())
        throw ESelectionError(Format("Unknown element \"%s\" found", {element.Name()}));
    std::shared_ptr<ISelection> s = it->second();
    s->Read(element);
    return s;
}

// ---- the kinds ----------------------------------------------------------------------------------

void TCubeSelection::Read(const minidom::TElement& element) {
    a_ = {NumberAttribute(element, "left"), NumberAttribute(element, "top"), 0};
    b_ = {NumberAttribute(element, "right"), NumberAttribute(element, "bottom"), 0};
}

void TCubeSelection::Write(TXMLGenerator& g) const {
    g.startElement(ElementName());
    g.attribute("top", NumberText(a_.y));
    g.attribute("left", NumberText(a_.x));
    g.attribute("bottom", NumberText(b_.y));
    g.attribute("right", NumberText(b_.x));
    g.endElement();
}

bool TCompositeSelection::Contains(TFloatPoint p) const {
    return std::any_of(members_.begin(), members_.end(),
                       [&](const PSelection& m) { return m->Contains(p); });
}

TWorldRect TCompositeSelection::Extent() const {
    TWorldRect r;
    for (const PSelection& m : members_)
        r.Include(m->Extent());
    return r;
}

void TCompositeSelection::Read(const minidom::TElement& element) {
    members_.clear();
    for (const auto& child : element.Children())
        if (auto* e = dynamic_cast<const minidom::TElement*>(child.get()))
            members_.push_back(CreateSelection(*e));
}

void TCompositeSelection::Write(TXMLGenerator& g) const {
    g.startElement(ElementName());
    for (const PSelection& m : members_)
        m->Write(g);
    g.endElement();
}

// ---- combining, reading, writing ----------------------------------------------------------------

PSelection Combine(const std::vector<PSelection>& selections) {
    if (selections.empty()) return std::make_shared<TEmptySelection>();
    if (selections.size() == 1) return selections[0];
    std::vector<PSelection> members;
    for (const PSelection& s : selections)
        if (s && !dynamic_cast<const TEmptySelection*>(s.get())) members.push_back(s);
    return std::make_shared<TCompositeSelection>(std::move(members));
}

PSelection ReadSelection(const minidom::TElement& parent) {
    if (const minidom::TElement* sel = parent.FindElement("selection"))
        for (const auto& child : sel->Children())
            if (auto* e = dynamic_cast<const minidom::TElement*>(child.get()))
                return CreateSelection(*e);
    return std::make_shared<TEmptySelection>();
}

void WriteSelection(TXMLGenerator& g, const ISelection& selection) {
    g.startElement("selection");
    selection.Write(g);
    g.endElement();
}

} // namespace zep::analysis
