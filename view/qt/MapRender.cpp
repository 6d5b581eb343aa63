#include "view/qt/MapRender.h"

#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "foundation/Exception.h"
#include "foundation/Format.h"
#include "model/Project.h"
#include "view/BackgroundFiles.h"
#include "view/Painter.h"
#include "view/Scaler.h"
#include "view/ViewSettings.h"
#include "view/qt/PipelinedCanvas.h"
#include "view/qt/QtCanvas.h"

namespace zep::view::qt {

std::string PainterClassByName(model::TProject& project, const std::string& name) {
    const std::string wanted = LowerCase(name);
    TNetViewOptions options;
    std::string known;
    for (const std::string& cls : PainterClassNames()) {
        auto painter = CreatePainter(cls, project, options);
        const std::string caption = painter ? painter->Caption() : "";
        if (LowerCase(cls) == wanted || LowerCase(cls.substr(1)) == wanted ||
            LowerCase(caption) == wanted)
            return cls;
        known += (known.empty() ? "\"" : ", \"") + caption + "\"";
    }
    throw Exception("no painter is called \"" + name + "\"; the painters: " + known);
}

void DrawMap(const TMapScene& scene, ICanvas& canvas, const TPixelRect& clip) {
    canvas.SetClip(clip);
    canvas.FillRect(clip, 0xFFFFFF);
    if (scene.backgrounds && scene.options) {
        const TScaler& scaler = scene.options->Scaler();
        scene.backgrounds->DrawAll(canvas, 0, [&scaler](double x, double y, double z) {
            return scaler.WorldToPixel(model::TPoint3{x, y, z});
        });
    }
    if (scene.painter) scene.painter->Paint(canvas, clip, scene.scenario);
}

void RenderMap(const TMapScene& scene, QPainter& painter, const TPixelRect& bounds,
               const TPixelRect& clip) {
    TQtCanvas canvas(painter, bounds);
    DrawMap(scene, canvas, clip);
}

void RenderMapConcurrently(const TMapScene& scene, QPainter& painter, const TPixelRect& bounds,
                           const TPixelRect& clip) {
    // A narrow strip (a pan) is drawn sooner than a second thread is started and woken.
    constexpr long long kLeastArea = 256 * 256;
    if (!painter.device() || painter.device()->devType() != QInternal::Image ||
        (long long)(clip.Width()) * clip.Height() < kLeastArea) {
        RenderMap(scene, painter, bounds, clip);
        return;
    }
    TPipelinedCanvas canvas(painter, bounds);
    DrawMap(scene, canvas, clip);
    canvas.Finish();
}

std::string RenderMap(QPainter& qp, model::TProject& project, const TMapRenderRequest& request) {
    const TViewSettings none;
    const TViewSettings& settings = request.settings ? *request.settings : none;
    TNetViewOptions options;
    options.Load(settings);
    std::string cls = request.painterClass;
    if (cls.empty()) {
        const std::vector<std::string> tabs = PainterTabs(project);
        cls = tabs.empty() ? "TLinkTypePainter" : tabs.front();
    }
    std::unique_ptr<TPainter> painter = CreatePainter(cls, project, options);
    if (!painter) throw Exception("no painter is called \"" + cls + "\"");
    painter->LoadSettings(settings);

    TBackgroundFileManager backgrounds;
    backgrounds.Load(settings);
    for (const std::string& file : request.backgrounds) {
        if (!std::filesystem::exists(file))
            throw Exception(Format("Cannot open file \"%s\".", {file}));
        backgrounds.AddFile(file);
    }
    backgrounds.LoadAll();

    TScaler& scaler = options.Scaler();
    scaler.SetCoordinateMode(project.CoordinateSystem());
    const TExtent drawn = backgrounds.Extent();
    analysis::TWorldRect behind;
    if (!drawn.empty)
        behind = analysis::TWorldRect::Of(drawn.min.x, drawn.min.y, drawn.max.x, drawn.max.y);
    scaler.SetExtent(StudyExtent(project, behind));
    const TPixelRect screen{0, 0, request.width, request.height};
    scaler.ViewAll(screen);
    if (request.area.empty)
        scaler.MultiplyZoom(0.96); // room around the study: the outermost zones show whole
    else
        scaler.Fit(request.area, screen);

    TMapScene scene;
    scene.project = &project;
    scene.options = &options;
    scene.painter = painter.get();
    scene.backgrounds = &backgrounds;
    scene.scenario = request.scenario ? request.scenario : project.BaseScenario();
    RenderMap(scene, qp, screen, screen);
    return painter->Caption();
}

QImage RenderMapImage(model::TProject& project, const TMapRenderRequest& request) {
    QImage image(request.width, request.height, QImage::Format_RGB32);
    QPainter qp(&image);
    RenderMap(qp, project, request);
    qp.end();
    return image;
}

std::string RenderMapFile(model::TProject& project, const TMapRenderRequest& request,
                          const std::string& fileName) {
    const std::string ext = LowerCase(std::filesystem::path(fileName).extension().string());
    const QString target = QString::fromStdString(fileName);
    const std::string failure = Format("Cannot write to file \"%s\".", {fileName});
    const QSize size(request.width, request.height);
    if (ext == ".png") {
        QImage image(size, QImage::Format_RGB32);
        QPainter qp(&image);
        const std::string caption = RenderMap(qp, project, request);
        qp.end();
        if (!image.save(target, "PNG")) throw Exception(failure);
        return caption;
    }
    if (ext == ".svg") {
        QSvgGenerator svg;
        svg.setFileName(target);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(QString::fromStdString(project.GetName()));
        QPainter qp;
        if (!qp.begin(&svg)) throw Exception(failure);
        const std::string caption = RenderMap(qp, project, request);
        if (!qp.end()) throw Exception(failure);
        return caption;
    }
    if (ext == ".pdf") {
        QPdfWriter pdf(target);
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QSizeF(request.width * 25.4 / 96, request.height * 25.4 / 96),
                                  QPageSize::Millimeter));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(QString::fromStdString(project.GetName()));
        QPainter qp;
        if (!qp.begin(&pdf)) throw Exception(failure);
        const std::string caption = RenderMap(qp, project, request);
        if (!qp.end()) throw Exception(failure);
        return caption;
    }
    throw Exception("a map is written as .png, .svg or .pdf, not \"" + fileName + "\"");
}

} // namespace zep::view::qt
