#include "shell/WindowPainters.h"

#include <cmath>
#include <limits>

#include "model/LINK.h"
#include "model/Project.h"
#include "view/PthPaint.h"

namespace zep::shell {

namespace {

/// A route painter whose link margin is the widest band stack of the study in the scenario
/// being painted, worked out once and kept until the inputs change.
template <class Base> class TMeasured : public Base, public IMeasuredPainter {
public:
    TMeasured(model::TProject& project, view::TNetViewOptions& options) : Base(project, options) {}

    void InvalidateMeasure() override { valid_ = false; }

protected:
    int LinkMargin() const override {
        auto* self = const_cast<TMeasured*>(this);
        const view::TNetViewOptions& o = this->Options();
        const TKey key{this->Scenario(),      this->Project().Links().Count(),
                       this->linkWidth,       this->linkWidthFactor,
                       o.linkSeparation,      o.showNonStops,
                       this->showAllScenarios};
        if (!valid_ || !(key == key_)) {
            widest_ = self->WidestStack();
            key_ = key;
            valid_ = true;
        }
        // Without link labels a link reaches no further than its bands beside the course and
        // the diamonds of its polyline points; labels need the painters' own allowance.
        if (o.linkLabelIndex <= 0)
            return widest_ + 2 * o.linkSeparation + 2 * this->linkWidth + o.NodeRadiusPixels() + 6;
        return this->view::TPainter::LinkMargin() + widest_ + 2 * o.linkSeparation + 2;
    }

private:
    struct TKey {
        const model::TScenario* scenario = nullptr;
        std::size_t links = 0;
        int width = 0, factor = 0, separation = 0;
        bool nonStops = false, all = false;
        bool operator==(const TKey&) const = default;
    };

    /// The largest sum of band widths and separations over the links, rounded up.
    int WidestStack() {
        const model::TLinkList& links = this->Project().Links();
        const int separation = this->Options().linkSeparation;
        double widest = 0;
        for (std::size_t i = 0; i < links.Count(); ++i) {
            const typename Base::TBands bands = this->BandsOf(*links.Get(i));
            double total = 0;
            for (int c = 1; c < view::kPaletteSize; ++c) {
                const double value = bands.value[std::size_t(c)];
                if (!(value > 0)) continue;
                const double w = value * this->linkWidth / std::max(1, this->linkWidthFactor);
                total += std::min(std::ceil(std::max(w, 1.0)) + 1, 1e9) + separation;
            }
            widest = std::max(widest, total);
        }
        return int(std::min(widest, double(std::numeric_limits<int>::max() / 4)));
    }

    mutable bool valid_ = false;
    mutable TKey key_;
    mutable int widest_ = 0;
};

template <class T>
std::unique_ptr<view::TPainter> Make(model::TProject& project, view::TNetViewOptions& options) {
    return std::make_unique<TMeasured<T>>(project, options);
}

} // namespace

std::unique_ptr<view::TPainter> CreateWindowPainter(std::string_view className,
                                                    model::TProject& project,
                                                    view::TNetViewOptions& options) {
    using namespace view;
    if (className == "TRoutePainter") return Make<TRoutePainter>(project, options);
    if (className == "TWaitingTimePainter") return Make<TWaitingTimePainter>(project, options);
    if (className == "TEquivVehiclesPainter") return Make<TEquivVehiclesPainter>(project, options);
    if (className == "TTotalVehiclesPainter") return Make<TTotalVehiclesPainter>(project, options);
    if (className == "TVolumePainter") return Make<TVolumePainter>(project, options);
    if (className == "TVolumeCapacityPainter")
        return Make<TVolumeCapacityPainter>(project, options);
    if (className == "TPassengerVolumeCapacityPainter")
        return Make<TPassengerVolumeCapacityPainter>(project, options);
    return CreatePainter(className, project, options);
}

} // namespace zep::shell
