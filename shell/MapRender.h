// Drawing the map of a network window onto any Qt paint device: the window itself, an image,
// an SVG for the clipboard, a PDF or a printer.
#pragma once

#include <QImage>

#include "analysis/Selections.h"
#include "view/Canvas.h"

class QPainter;

namespace zep::model {
class TProject;
class TScenario;
} // namespace zep::model

namespace zep::view {
class TBackgroundFileManager;
class TNetViewOptions;
class TPainter;
} // namespace zep::view

namespace zep::shell {

/// What one map shows. Nothing is owned.
struct TMapScene {
    model::TProject* project = nullptr;
    view::TNetViewOptions* options = nullptr; ///< holds the scaler
    view::TPainter* painter = nullptr;
    view::TBackgroundFileManager* backgrounds = nullptr;
    model::TScenario* scenario = nullptr;
};

/// White ground, the background drawings, then the painter's network, all inside `clip`
/// (pixels of the scaler's paint area).
void RenderMap(const TMapScene& scene, QPainter& painter, const view::TPixelRect& bounds,
               const view::TPixelRect& clip);

/// The selection as the map shows it: its extent grown by 4 pixels, outlined 2 pixels wide in
/// the highlight colour, inverting what lies under it.
void DrawSelection(const TMapScene& scene, const analysis::ISelection& selection,
                   QPainter& painter);

/// The map at `size` pixels with the scene's current view: for copies and tests.
QImage RenderMapImage(const TMapScene& scene, QSize size);

/// The part `area` of the map as it shows at `size` pixels, as SVG text with the project name
/// and "ZEP" as its description.
QByteArray RenderMapSvg(const TMapScene& scene, QSize size, const QRect& area,
                        const QString& projectName);

/// Writes the map to a PDF file of A4 landscape; false when the file cannot be written.
bool RenderMapPdf(const TMapScene& scene, QSize viewSize, const QString& fileName);

} // namespace zep::shell
