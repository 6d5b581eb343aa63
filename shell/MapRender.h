// Drawing the map of a network window onto any Qt paint device: the window itself, an image,
// an SVG for the clipboard, a PDF or a printer.
#pragma once

#include <QImage>

#include "analysis/Selections.h"
#include "view/Canvas.h"
#include "view/qt/MapRender.h"

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

using view::qt::RenderMap;
using view::qt::TMapScene;

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
