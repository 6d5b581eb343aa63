// Any bytes given as an assignment report settings file end in settings or in a named exception;
// settings read from them write out as a file that reads back to the same settings.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "analysis/Selections.h"
#include "foundation/ORVMiniDOM.h"
#include "foundation/OrvXMLGenerator.h"
#include "foundation/Stream.h"
#include "modelio/EnergyReports.h"

namespace {

using namespace zep;

class TArea : public modelio::IReportArea {
public:
    explicit TArea(analysis::PSelection s) : s_(std::move(s)) {}
    bool Contains(model::TFloatPoint p) const override { return s_->Contains(p); }
    void Write(TXMLGenerator& g) const override { analysis::WriteSelection(g, *s_); }

private:
    analysis::PSelection s_;
};

modelio::PReportArea ReadArea(const minidom::TElement& settings) {
    analysis::PSelection s = analysis::ReadSelection(settings);
    return s->ElementName().empty() ? nullptr : std::make_shared<TArea>(s);
}

std::string Text(const modelio::TLinkSelector& sel) {
    TMemoryStream out;
    {
        TXMLGenerator g(out);
        sel.SaveSettings(g);
    }
    return out.Data();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    modelio::TLinkSelector sel;
    try {
        const auto doc = minidom::ParseMiniDomString(bytes);
        if (!doc || !doc->Root()) return 0;
        sel.LoadSettings(*doc->Root(), ReadArea);
    } catch (const Exception&) {
        return 0;
    }
    const std::string written = Text(sel);
    modelio::TLinkSelector again;
    const auto doc = minidom::ParseMiniDomString(written);
    again.LoadSettings(*doc->Root(), ReadArea);
    if (Text(again) != written) std::abort();
    return 0;
}
