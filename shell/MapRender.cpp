#include "shell/MapRender.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include "view/BackgroundFiles.h"
#include "view/NetViewOptions.h"
#include "view/Painter.h"
#include "view/qt/QtCanvas.h"

namespace zep::shell {

void DrawSelection(const TMapScene& scene, const analysis::ISelection& selection,
                   QPainter& painter) {
    const analysis::TWorldRect extent = selection.Extent();
    if (extent.empty || !scene.options) return;
    view::TPixelRect r = scene.options->Scaler().WorldToPixelRect(extent);
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    QPen pen(QColor(0, 120, 215));
    pen.setWidth(2);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(QPoint(r.left - 4, r.top - 4), QPoint(r.right + 4, r.bottom + 4)));
    painter.restore();
}

QImage RenderMapImage(const TMapScene& scene, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    const view::TPixelRect all{0, 0, size.width(), size.height()};
    RenderMap(scene, p, all, all);
    return image;
}

QByteArray RenderMapSvg(const TMapScene& scene, QSize size, const QRect& area,
                        const QString& projectName) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(area.size());
    svg.setViewBox(area);
    svg.setTitle(projectName);
    svg.setDescription(QStringLiteral("ZEP"));
    {
        QPainter p(&svg);
        const view::TPixelRect all{0, 0, size.width(), size.height()};
        const view::TPixelRect clip{area.left(), area.top(), area.right() + 1, area.bottom() + 1};
        RenderMap(scene, p, all, clip);
    }
    return bytes;
}

bool RenderMapPdf(const TMapScene& scene, QSize viewSize, const QString& fileName) {
    QPdfWriter pdf(fileName);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageOrientation(QPageLayout::Landscape);
    pdf.setResolution(150);
    pdf.setCreator(QStringLiteral("ZEP"));
    QPainter p;
    if (!p.begin(&pdf)) return false;
    // The window's view, scaled to fill the page: the scaler is borrowed and given back.
    const QRect page = p.viewport();
    const double k = std::min(double(page.width()) / std::max(1, viewSize.width()),
                              double(page.height()) / std::max(1, viewSize.height()));
    p.scale(k, k);
    const view::TPixelRect all{0, 0, viewSize.width(), viewSize.height()};
    RenderMap(scene, p, all, all);
    return p.end();
}

} // namespace zep::shell
