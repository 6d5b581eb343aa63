// The painters as the network window makes them. Route bands stack beside a link's course; the
// painters reserve a fixed allowance for that when they choose the links a repaint has to look
// at, so a narrow strip that came into view during a pan looks at a column hundreds of pixels
// wide. The window's painters measure the widest stack the study really has instead.
#pragma once

#include <memory>
#include <string_view>

#include "view/Painter.h"

namespace zep::shell {

/// A painter that keeps a measure of the study's drawing; edits make it stale.
class IMeasuredPainter {
public:
    virtual ~IMeasuredPainter() = default;
    /// Forgets what was measured (after an edit or a change of colours).
    virtual void InvalidateMeasure() = 0;
};

/// The painter of that class for the window: the route painters and their subclasses measure
/// their widest band stack; the others are the plain painters. nullptr for an unknown name.
std::unique_ptr<view::TPainter> CreateWindowPainter(std::string_view className,
                                                    model::TProject& project,
                                                    view::TNetViewOptions& options);

} // namespace zep::shell
