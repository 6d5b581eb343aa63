// The "Paths" painter: the network with the current path of the model's path file (and its
// reverse) drawn over it in route colours, boardings and the start marked, and the screen areas
// a change of path has to repaint.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "analysis/PathFileSet.h"
#include "view/Painter.h"

namespace zep::view {

/// Routes of the path painter, coloured by operator like the route painter's.
class TPathRouteColorMap : public TRouteColorMap {
public:
    using TRouteColorMap::TRouteColorMap;
};

class TPathPainter : public TColorPainter {
public:
    /// Colour values of the path marks.
    static constexpr TColor kBoardingMark = 255;
    static constexpr TColor kStartMark = 32768;

    TPathPainter(model::TProject& project, TNetViewOptions& options);
    ~TPathPainter() override;
    const char* ClassName() const override { return "TPathPainter"; }
    const char* Caption() const override { return "Paths"; }
    std::unique_ptr<TColorMap> CreateColorMap() override;

    /// The network, the paths beneath the nodes, the nodes, then the path marks.
    void Paint(ICanvas& canvas, const TPixelRect& clip, model::TScenario* scenario) override;
    /// Reads "Mode", "Source", "Sink", "Path" and "DontShowReverse" (0, 0, 1, 0, false) and
    /// selects that path.
    void LoadSettings(const TViewSettings& settings) override;
    void SaveSettings(TViewSettings& settings) const override;

    analysis::paths::TPathFileSet& PathFileSet() { return *paths_; }
    std::size_t PathCount() const { return paths_->PathCount(); }
    const std::shared_ptr<analysis::paths::TPathSet>& CurrentSet() const {
        return paths_->CurrentSet();
    }
    analysis::paths::TPath* CurrentPath() const { return paths_->CurrentPath(); }
    /// 0 origin, 1 destination, 2 mode, 3 path index.
    int Current(int which) const;
    void SetCurrent(int which, int value);
    void Next() { paths_->NextPath(); }
    void Previous() { paths_->PreviousPath(); }
    bool ShowReverse() const { return !dontShowReverse_; }
    void SetShowReverse(bool show);

    /// Told of every screen rectangle a change of path makes stale.
    std::function<void(const TPixelRect&)> onInvalidate;

    /// The rectangles around each step link of the current and reverse paths, grown by
    /// round(2 x (node radius x zoom x resolution + link separation)).
    std::vector<TPixelRect> PathRects();

private:
    void PaintPath(const analysis::paths::TPath& path, bool marks, TColor startMark);
    void PathChanged();
    void InvalidateRects(const std::vector<TPixelRect>& rects) const;

    std::unique_ptr<analysis::paths::TPathFileSet> paths_;
    bool dontShowReverse_ = false;
    std::vector<TPixelRect> shownRects_; // the rectangles of the paths shown now
};

} // namespace zep::view
