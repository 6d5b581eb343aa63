// The view the paint benchmarks call zoomed: about the centre, until the screen shows 1 % of the
// study's area. The study is square and fills the screen's height at the full view, not its
// width, so zooming ten times would show 1.8 % of it.
#pragma once

#include <cmath>

#include "model/Project.h"
#include "view/Scaler.h"

namespace zep::view {

inline void SetBenchView(TScaler& scaler, const TPixelRect& screen, const model::TProject& project,
                         bool zoomed) {
    scaler.ViewAll(screen);
    if (!zoomed) return;
    const TPixelRect study = scaler.WorldToPixelRect(StudyExtent(project));
    const double area = double(screen.Width()) * screen.Height();
    scaler.MultiplyZoom(std::sqrt(area / (0.01 * study.Width() * study.Height())));
}

} // namespace zep::view
