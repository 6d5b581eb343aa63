// The map drawn whole into an image, an SVG drawing or a PDF page: what the network window shows,
// for zep-cli, tests and the window's copy and print.
#pragma once

#include <QImage>
#include <QPainter>

#include <optional>
#include <string>
#include <vector>

#include "analysis/Selections.h"
#include "view/Canvas.h"

namespace zep::model {
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::view {
class TBackgroundFileManager;
class TNetViewOptions;
class TPainter;
class TViewSettings;
} // namespace zep::view

namespace zep::view::qt {

/// What one map shows. Nothing is owned.
struct TMapScene {
    model::TProject* project = nullptr;
    TNetViewOptions* options = nullptr; ///< holds the scaler
    TPainter* painter = nullptr;
    TBackgroundFileManager* backgrounds = nullptr;
    model::TScenario* scenario = nullptr;
};

/// White ground, the background drawings, then the painter's network, all inside `clip`
/// (pixels of the scaler's paint area `bounds`): what the network window, its copies and
/// prints, and the batch renderer draw.
void RenderMap(const TMapScene& scene, QPainter& painter, const TPixelRect& bounds,
               const TPixelRect& clip);
/// The same pixels as RenderMap, drawn by a second thread while this one works out what to
/// draw, when `painter` paints on an image; elsewhere (a widget, SVG, PDF) and for a small
/// clip (a pan's strip) as RenderMap. Since lines and symbols are written straight into the
/// image, handing the calls over costs this thread more than drawing them (QtPaintBench, with
/// a core free): the window and the batch renderer draw with RenderMap.
void RenderMapConcurrently(const TMapScene& scene, QPainter& painter, const TPixelRect& bounds,
                           const TPixelRect& clip);
/// White ground, the background drawings and the painter's network inside `clip`, on any
/// canvas.
void DrawMap(const TMapScene& scene, ICanvas& canvas, const TPixelRect& clip);

struct TMapRenderRequest {
    /// A painter class ("TRoutePainter"), empty for the window's first tab.
    std::string painterClass;
    /// The scenario drawn; the base scenario when none.
    model::TScenario* scenario = nullptr;
    int width = 1920;
    int height = 1080;
    /// The world rectangle to show; the whole study (with a small margin) when empty.
    analysis::TWorldRect area;
    /// DXF drawings behind the network, besides those the settings load automatically.
    std::vector<std::string> backgrounds;
    /// The view options, painter settings and background files kept beside the project; the
    /// defaults when none.
    const TViewSettings* settings = nullptr;
};

/// The painter class a name means: a class name ("TRoutePainter"), the same without its "T",
/// or a tab caption ("Routes"), in any letter case; an unknown name raises an Exception that
/// lists the painters.
std::string PainterClassByName(model::TProject& project, const std::string& name);

/// Draws the map on an active painter whose device is request.width x request.height pixels.
/// Returns the caption of the painter used.
std::string RenderMap(QPainter& painter, model::TProject& project,
                      const TMapRenderRequest& request);
QImage RenderMapImage(model::TProject& project, const TMapRenderRequest& request);
/// Writes a PNG, SVG or PDF file by the name's extension (any letter case); raises with
/// "Cannot write to file" when it cannot be written.
std::string RenderMapFile(model::TProject& project, const TMapRenderRequest& request,
                          const std::string& fileName);

} // namespace zep::view::qt
