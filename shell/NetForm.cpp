#include "shell/NetForm.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSplitter>
#include <QTabBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>
#include <map>

#include "analysis/SimplerNet.h"
#include "foundation/OrvLogging.h"
#include "foundation/OrvMessages.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "shell/BackgroundsDlg.h"
#include "shell/EditCommands.h"
#include "shell/FindDlg.h"
#include "shell/GuiMessageHandler.h"
#include "shell/PathPanel.h"
#include "shell/ValidateForm.h"
#include "shell/ViewOptionsDlg.h"
#include "view/Painter.h"
#include "view/PthPaint.h"
#include "view/qt/QtCanvas.h"

namespace zep::shell {

namespace {

constexpr const char* kSection = "NetForm";

analysis::TWorldRect ToWorldRect(const view::TExtent& e) {
    if (e.empty) return {};
    return analysis::TWorldRect::Of(e.min.x, e.min.y, e.max.x, e.max.y);
}

QIcon Swatch(int colorIndex) {
    QPixmap pm(14, 14);
    pm.fill(view::qt::ToQColor(view::PaletteColor(colorIndex)));
    return QIcon(pm);
}

} // namespace

TNetForm::TNetForm(TDocument& document, QWidget* parent) : QWidget(parent), doc_(document) {
    setAttribute(Qt::WA_DeleteOnClose);
    model::TProject& project = document.Project();
    settings_ = project.FileName().empty() || !document.Named()
                    ? std::make_unique<view::TViewSettings>()
                    : std::make_unique<view::TViewSettings>(project.FileName());
    options_.Scaler().SetCoordinateMode(project.GetInteger(model::TProjectI::kCoordinateSystem));
    try {
        options_.Load(*settings_);
    } catch (const std::exception& e) {
        GetLogger("ui.netform").Warning(e.what());
        AskUser("Error reading defaults", mbOK);
    }
    try {
        backgrounds_.Load(*settings_);
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
    index_ = std::make_unique<view::TNetworkIndex>(project);
    scenario_ = project.CurrentScenario();

    splitter_ = new QSplitter(this);
    leftPane_ = new QWidget(splitter_);
    auto* left = new QVBoxLayout(leftPane_);
    left->setContentsMargins(2, 2, 2, 2);
    left->addWidget(new QLabel(tr("Scenarios"), leftPane_));
    scenarioTree_ = new QTreeWidget(leftPane_);
    scenarioTree_->setHeaderHidden(true);
    left->addWidget(scenarioTree_, 1);
    left->addWidget(new QLabel(tr("Colors"), leftPane_));
    colorList_ = new QListWidget(leftPane_);
    colorList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    left->addWidget(colorList_, 2);
    pathPanel_ = new TPathPanel(project, leftPane_);
    pathPanel_->setVisible(false);
    pathPanel_->onChanged = [this] { PathChanged(); };
    left->addWidget(pathPanel_, 3);

    auto* right = new QWidget(splitter_);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    tabs_ = new QTabBar(right);
    tabs_->setObjectName(QStringLiteral("NetImageTabs"));
    tabs_->setExpanding(false);
    rightLayout->addWidget(tabs_);
    map_ = new TPaintChild(right);
    rightLayout->addWidget(map_, 1);
    splitter_->addWidget(leftPane_);
    splitter_->addWidget(right);
    splitter_->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter_);

    BuildPainters();
    FillScenarioTree();
    LoadWindowSettings();

    map_->describeAt = [this](QPoint p) { return DescribeAt(p); };
    map_->onClick = [this](QPoint p) { Click(p); };
    map_->onRubberBand = [this](QRect r) { RubberBand(r); };
    map_->selection = [this] { return selection_; };
    map_->onViewChanged = [this] { fitToWindow_ = false; };
    map_->onResized = [this] {
        if (!fitToWindow_ || firstShow_) return;
        FitAll();
        map_->SyncScrollBars();
        map_->InvalidateMap();
    };
    connect(tabs_, &QTabBar::currentChanged, this, [this](int i) { SelectPainter(i); });
    connect(scenarioTree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            SetScenario(static_cast<model::TScenario*>(item->data(0, Qt::UserRole).value<void*>()));
    });
    document.AddView(this);
    Rescale();
    SelectPainter(active_);
    for (const auto& p : painters_)
        if (auto* paths = dynamic_cast<view::TPathPainter*>(p.get()))
            paths->onInvalidate = [this](const view::TPixelRect&) { map_->InvalidateMap(); };
}

TNetForm::~TNetForm() {
    // Painters point at the options and the index: they go first.
    painters_.clear();
    if (TDocument* doc = Document()) doc->RemoveView(this);
}

void TNetForm::SetCaption(const std::string& caption) {
    setWindowTitle(ToQ(caption));
}

void TNetForm::RefreshView() {
    index_->Invalidate();
    InvalidateMeasures();
    FillScenarioTree();
    FillColorList();
    map_->InvalidateMap();
}

view::TPainter* TNetForm::ActivePainter() const {
    return active_ >= 0 && active_ < int(painters_.size()) ? painters_[active_].get() : nullptr;
}

model::TProject& TNetForm::Project() const {
    return doc_.Project();
}

TMapScene TNetForm::Scene() {
    TMapScene s;
    s.project = &Project();
    s.options = &options_;
    s.painter = ActivePainter();
    s.backgrounds = &backgrounds_;
    s.scenario = scenario_;
    return s;
}

void TNetForm::BuildPainters() {
    painters_.clear();
    const int old = tabs_->count();
    QSignalBlocker block(tabs_);
    for (int i = old - 1; i >= 0; --i)
        tabs_->removeTab(i);
    for (const std::string& name : view::PainterTabs(Project())) {
        auto painter = view::CreatePainter(name, Project(), options_);
        if (!painter) continue;
        painter->SetIndex(index_.get());
        try {
            painter->LoadSettings(*settings_);
        } catch (const std::exception& e) {
            GetLogger("ui.netform").Warning("%s: %s", {name, e.what()});
        }
        tabs_->addTab(ToQ(painter->Caption()));
        painters_.push_back(std::move(painter));
    }
    // Tabs added while the bar was empty leave the layout with its empty height.
    tabs_->setFixedHeight(tabs_->sizeHint().height());
}

void TNetForm::SelectPainter(int index) {
    if (index < 0 || index >= int(painters_.size())) return;
    active_ = index;
    if (tabs_->currentIndex() != index) {
        QSignalBlocker block(tabs_);
        tabs_->setCurrentIndex(index);
    }
    auto* paths = dynamic_cast<view::TPathPainter*>(painters_[index].get());
    pathPanel_->SetPainter(paths);
    pathPanel_->setVisible(paths != nullptr);
    FillColorList();
    map_->SetScene(Scene());
}

void TNetForm::SetScenario(model::TScenario* scenario) {
    if (!scenario || scenario == scenario_) return;
    scenario_ = scenario;
    Project().SetCurrentScenario(scenario);
    FillColorList();
    map_->SetScene(Scene());
}

void TNetForm::FillScenarioTree() {
    QSignalBlocker block(scenarioTree_);
    scenarioTree_->clear();
    std::map<const model::TScenario*, QTreeWidgetItem*> items;
    const model::TScenarioList& list = Project().Scenarios();
    // The list is in scenario order: every parent comes before its children.
    for (std::size_t i = 0; i < list.Count(); ++i) {
        model::TScenario* s = list.Get(i);
        QTreeWidgetItem* parent =
            s->Parent() && items.count(s->Parent()) ? items[s->Parent()] : nullptr;
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(scenarioTree_);
        const std::string desc = s->GetString(model::kPropDescription);
        item->setText(0, ToQ(desc.empty() ? s->GetName() : s->GetName() + " " + desc));
        item->setData(0, Qt::UserRole, QVariant::fromValue<void*>(s));
        items[s] = item;
        if (s == scenario_) scenarioTree_->setCurrentItem(item);
    }
    scenarioTree_->expandAll();
}

void TNetForm::FillColorList() {
    colorList_->clear();
    auto* painter = dynamic_cast<view::TColorPainter*>(ActivePainter());
    if (!painter) return;
    view::TColorMap& map = painter->ColorMap();
    const model::TEntityList* list = map.List();
    // Painters that colour by a rule rather than by entity show what their colours mean.
    const std::string name = painter->ClassName();
    const std::vector<std::pair<int, const char*>> legend =
        name == "TNonTwoWayPainter"
            ? std::vector<std::pair<int, const char*>>{{0, "Two-way pair"},
                                                       {4, "Opposite link agrees"},
                                                       {1, "Differs from its opposite"}}
        : name == "TChangedPainter"
            ? std::vector<std::pair<int, const char*>>{{10, "Changed in the scenario"},
                                                       {0, "Unchanged"}}
            : std::vector<std::pair<int, const char*>>{};
    if (!legend.empty()) {
        for (const auto& [index, caption] : legend)
            colorList_->addItem(new QListWidgetItem(Swatch(index), tr(caption)));
        return;
    }
    if (!list) {
        // Maps over a fixed scale (service levels) list their colours only.
        for (std::size_t i = 0; i < map.Count(); ++i)
            colorList_->addItem(new QListWidgetItem(Swatch(map.Index(i)), QString::number(i)));
        return;
    }
    for (std::size_t i = 0; i < list->Count(); ++i) {
        // Internal routes carry the operators' own services and draw bands too.
        const model::TEntity* e = list->Get(i);
        auto* item =
            new QListWidgetItem(Swatch(map.Index(i)), ToQ(e->KeyText() + "  " + e->GetName()));
        item->setData(Qt::UserRole, QVariant::fromValue<void*>(const_cast<model::TEntity*>(e)));
        colorList_->addItem(item);
    }
}

void TNetForm::LoadWindowSettings() {
    const int width = settings_->ReadInteger(kSection, "LeftPaneWidth", 180);
    splitter_->setSizes({std::max(width, 0), 800});
    pathPanel_->SetCategoryIndex(settings_->ReadInteger(kSection, "PathCategory", 0));
    // The painter last looked at, by its class: the tabs differ between studies.
    const std::string viewed = settings_->ReadString(kSection, "Viewed", "");
    for (std::size_t i = 0; i < painters_.size(); ++i)
        if (viewed == painters_[i]->ClassName()) active_ = int(i);
}

void TNetForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!firstShow_) return;
    firstShow_ = false;
    view::TScaler& s = options_.Scaler();
    const double savedZoom = s.Zoom();
    s.SetPaintArea(map_->PaintArea());
    if (settings_->ReadString(kSection, "XOffset", "").empty()) {
        FitAll();
    } else {
        fitToWindow_ = false;
        s.SetZoom(savedZoom);
        s.SetOrigin(settings_->ReadDouble(kSection, "XOffset", 0),
                    settings_->ReadDouble(kSection, "YOffset", 0));
    }
    map_->SyncScrollBars();
    map_->InvalidateMap();
}

void TNetForm::Rescale() {
    backgrounds_.Extent();
    options_.Scaler().SetExtent(view::StudyExtent(Project(), ToWorldRect(backgrounds_.Extent())));
    index_->Invalidate();
}

void TNetForm::SaveSettings() {
    options_.Save(*settings_);
    for (const auto& p : painters_)
        p->SaveSettings(*settings_);
    backgrounds_.Save(*settings_);
    settings_->WriteDouble(kSection, "XOffset", options_.Scaler().OriginX());
    settings_->WriteDouble(kSection, "YOffset", options_.Scaler().OriginY());
    settings_->WriteInteger(kSection, "LeftPaneWidth",
                            leftPane_->isVisible() ? splitter_->sizes().value(0) : 0);
    if (const view::TPainter* p = ActivePainter())
        settings_->WriteString(kSection, "Viewed", p->ClassName());
    settings_->WriteInteger(kSection, "PathCategory", pathPanel_->CategoryIndex());
    settings_->Flush();
}

void TNetForm::closeEvent(QCloseEvent* event) {
    // A document with more views can always lose one; the last one asks first.
    if (doc_.Views().size() <= 1 && !doc_.CanClose()) {
        event->ignore();
        return;
    }
    SaveSettings();
    event->accept();
}

std::string TNetForm::DescribeAt(QPoint p) {
    const view::TScaler& s = options_.Scaler();
    const model::TFloatPoint w = s.PixelToWorld({p.x(), p.y()});
    const double pixel = s.PixelWorldSize(w).x;
    const int radius = std::max(options_.NodeRadiusPixels(), 4);
    std::string text;
    if (model::TNode* n = Project().Nodes().NearestNode(w, scenario_, false, radius * pixel)) {
        text = (n->IsZone() ? "Zone " : "Node ") + std::to_string(n->Id());
        if (!n->GetName().empty()) text += " " + n->GetName();
    } else if (model::TLink* l = Project().Links().NearestLink(w, scenario_, 0, 4 * pixel)) {
        text = "Link " + l->KeyText().substr(2);
        if (!l->GetName().empty()) text += " " + l->GetName();
    }
    status_ = text;
    if (onStatus) onStatus(text);
    return text;
}

void TNetForm::SelectNode(model::TNode* node) {
    selectedNode_ = node;
    selectedLink_ = nullptr;
    if (node) SetSelection(nullptr);
}

void TNetForm::SelectLink(model::TLink* link) {
    selectedLink_ = link;
    selectedNode_ = nullptr;
    if (link) SetSelection(nullptr);
}

void TNetForm::SetSelection(analysis::PSelection selection) {
    selection_ = std::move(selection);
    map_->Surface()->update();
}

void TNetForm::Click(QPoint p) {
    const view::TScaler& s = options_.Scaler();
    const model::TFloatPoint w = s.PixelToWorld({p.x(), p.y()});
    const double pixel = s.PixelWorldSize(w).x;
    const int radius = std::max(options_.NodeRadiusPixels(), 4);
    if (model::TNode* n = Project().Nodes().NearestNode(w, scenario_, false, radius * pixel))
        SelectNode(n);
    else
        SelectLink(Project().Links().NearestLink(w, scenario_, 0, 4 * pixel));
    if (!selectedNode_ && !selectedLink_) SetSelection(nullptr);
}

void TNetForm::RubberBand(QRect r) {
    const view::TScaler& s = options_.Scaler();
    const model::TFloatPoint a = s.PixelToWorld({r.left(), r.top()});
    const model::TFloatPoint b = s.PixelToWorld({r.right(), r.bottom()});
    auto rect = std::make_shared<analysis::TCubeSelection>(model::TPoint3{a.x, a.y, 0},
                                                           model::TPoint3{b.x, b.y, 0});
    selectedNode_ = nullptr;
    selectedLink_ = nullptr;
    std::vector<analysis::PSelection> parts;
    if (selection_) parts.push_back(selection_);
    parts.push_back(rect);
    SetSelection(analysis::Combine(parts));
}

void TNetForm::InvalidateMeasures() {
    for (const auto& p : painters_)
        if (auto* m = dynamic_cast<view::TRoutePainter*>(p.get())) m->InvalidateMeasure();
}

void TNetForm::Changed() {
    index_->Invalidate();
    InvalidateMeasures();
    // Entities a command removed must not stay selected, nor listed as findings.
    selectedNode_ = nullptr;
    selectedLink_ = nullptr;
    if (validateForm_) validateForm_->close();
    doc_.RefreshViews();
    if (onChanged) onChanged();
}

void TNetForm::CentreOn(const analysis::TWorldRect& rect) {
    fitToWindow_ = false;
    if (rect.empty) return;
    view::TScaler& s = options_.Scaler();
    const view::TNormalPoint n = s.WorldToNormal(
        model::TFloatPoint{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
    s.SetOrigin(n.x, n.y);
    map_->SyncScrollBars();
    map_->InvalidateMap();
}

// ---- commands --------------------------------------------------------------------------------

void TNetForm::Undo() {
    undo::TCommandStack& stack = doc_.CommandStack();
    if (!stack.TopCommand()) return;
    if (!stack.CanUndoTop()) {
        ShowError("Cannot Undo");
        return;
    }
    stack.UndoTop();
    Changed();
}

void TNetForm::CopyMap() {
    const QSize size = map_->Surface()->size();
    QRect area(QPoint(0, 0), size);
    if (selection_ && !selection_->Extent().empty) {
        const view::TPixelRect r = options_.Scaler().WorldToPixelRect(selection_->Extent());
        area = QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)).intersected(area);
    }
    if (area.isEmpty()) return;
    const TMapScene scene = Scene();
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("image/svg+xml"),
                  RenderMapSvg(scene, size, area, ToQ(Project().GetName())));
    mime->setImageData(RenderMapImage(scene, size).copy(area));
    QApplication::clipboard()->setMimeData(mime);
}

void TNetForm::DeleteSelected() {
    try {
        if (selectedNode_)
            DeleteNodeCommand(Project(), doc_.CommandStack(), selectedNode_);
        else if (selectedLink_)
            DeleteLinkCommand(Project(), doc_.CommandStack(), selectedLink_);
        else
            return;
    } catch (const std::exception& e) {
        ShowException(e);
    }
    Changed();
}

void TNetForm::Merge() {
    analysis::TWorldRect repaint;
    bool changed = false;
    try {
        if (selectedNode_) {
            changed =
                analysis::MergeNodeCommand(Project(), doc_.CommandStack(), selectedNode_, repaint);
        } else if (selectedLink_) {
            changed =
                analysis::MergeLinkCommand(Project(), doc_.CommandStack(), selectedLink_, repaint);
        } else {
            std::vector<model::TRoute*> routes;
            for (QListWidgetItem* item : colorList_->selectedItems()) {
                auto* e = static_cast<model::TEntity*>(item->data(Qt::UserRole).value<void*>());
                if (auto* r = dynamic_cast<model::TRoute*>(e)) routes.push_back(r);
            }
            if (routes.size() >= 2)
                changed = analysis::MergeRoutesCommand(Project(), doc_.CommandStack(), routes);
        }
    } catch (const std::exception& e) {
        ShowException(e);
    }
    if (changed) Changed();
}

void TNetForm::SimplifyNetwork() {
    analysis::TWorldRect rect = selection_ ? selection_->Extent() : analysis::TWorldRect{};
    analysis::TWorldRect repaint;
    std::int32_t changes = 0;
    try {
        changes = analysis::SimplifyNetworkCommand(Project(), doc_.CommandStack(), rect, repaint,
                                                   nullptr);
    } catch (const std::exception& e) {
        ShowException(e);
    }
    EndProgress();
    if (changes > 0) Changed();
}

void TNetForm::RemoveNetwork() {
    try {
        if (!RemoveNetworkCommand(Project(), doc_.CommandStack(), scenario_)) return;
    } catch (const std::exception& e) {
        ShowException(e);
        return;
    }
    Changed();
}

void TNetForm::ViewOptions() {
    TViewOptionsDlg dlg(options_, Project().AssignmentResults(), this);
    if (dlg.exec() != QDialog::Accepted) return;
    dlg.Apply(options_);
    fitToWindow_ = false;
    options_.Save(*settings_);
    settings_->Flush();
    map_->InvalidateMap();
}

void TNetForm::FitAll() {
    // A margin keeps the outermost nodes and their labels off the window's edge.
    const view::TPixelRect a = map_->PaintArea();
    const int m = std::min({12, a.Width() / 8, a.Height() / 8});
    options_.Scaler().ViewAll({a.left + m, a.top + m, a.right - m, a.bottom - m});
}

void TNetForm::ViewAll() {
    fitToWindow_ = true;
    FitAll();
    map_->SyncScrollBars();
    map_->InvalidateMap();
}

void TNetForm::Refresh() {
    index_->Invalidate();
    InvalidateMeasures();
    map_->InvalidateMap();
}

void TNetForm::FindNode() {
    TFindDlg dlg(TFindDlg::Nodes, Project(), this);
    if (dlg.exec() != QDialog::Accepted) return;
    if (model::TNode* n = FindNodeByText(Project(), dlg.Text())) {
        SelectNode(n);
        CentreOn(ExtentOf(*n));
    }
}

void TNetForm::FindLink() {
    TFindDlg dlg(TFindDlg::Links, Project(), this);
    if (dlg.exec() != QDialog::Accepted) return;
    if (model::TLink* l = FindLinkByText(Project(), dlg.Text())) {
        SelectLink(l);
        CentreOn(ExtentOf(*l));
    }
}

void TNetForm::ZoomIn() {
    fitToWindow_ = false;
    // With an area (and no node or link) selected, the area fills the view.
    if (selection_ && !selectedNode_ && !selectedLink_ && !selection_->Extent().empty) {
        options_.Scaler().Fit(selection_->Extent(), map_->PaintArea());
        SetSelection(nullptr);
    } else {
        options_.Scaler().ZoomIn();
    }
    map_->SyncScrollBars();
    map_->InvalidateMap();
}

void TNetForm::ZoomOut() {
    fitToWindow_ = false;
    options_.Scaler().ZoomOut();
    map_->SyncScrollBars();
    map_->InvalidateMap();
}

void TNetForm::SimilarRoutes() {
    auto* painter = dynamic_cast<view::TRoutePainter*>(ActivePainter());
    QListWidgetItem* current = colorList_->currentItem();
    if (!painter || !current) return;
    auto* route = dynamic_cast<model::TRoute*>(
        static_cast<model::TEntity*>(current->data(Qt::UserRole).value<void*>()));
    if (!route) return;
    view::TColorMap& map = painter->ColorMap();
    for (std::size_t i = 0; i < map.Count(); ++i)
        map.Set(i, 0);
    const auto similar = shell::SimilarRoutes(Project(), *route, scenario_);
    int colour = 1;
    for (model::TRoute* r : similar)
        map.Set(std::size_t(r->ListIndex()), view::tColorIndex(colour++ % view::kPaletteSize));
    InvalidateMeasures();
    FillColorList();
    for (int i = 0; i < colorList_->count(); ++i) {
        auto* e =
            static_cast<model::TEntity*>(colorList_->item(i)->data(Qt::UserRole).value<void*>());
        if (std::find(similar.begin(), similar.end(), e) != similar.end())
            colorList_->item(i)->setSelected(true);
    }
    map_->InvalidateMap();
}

void TNetForm::ToggleLeftPane() {
    leftPane_->setVisible(!leftPane_->isVisible());
}

void TNetForm::BackgroundFiles() {
    TBackgroundsDlg dlg(backgrounds_, this);
    if (dlg.exec() != QDialog::Accepted) return;
    dlg.Apply(backgrounds_);
    try {
        backgrounds_.LoadAll();
    } catch (const std::exception& e) {
        ShowException(e);
    }
    backgrounds_.Save(*settings_);
    settings_->Flush();
    Rescale();
    map_->InvalidateMap();
}

void TNetForm::ViewDxfFile() {
    const QString file = QFileDialog::getOpenFileName(this, tr("View DXF File"), QString(),
                                                      tr("DXF Files (*.dxf);;All Files (*)"));
    if (file.isEmpty()) return;
    try {
        view::TAbstractBackgroundFile& f = backgrounds_.AddFile(FromQ(file));
        f.SetVisible(true);
        f.Load();
    } catch (const std::exception& e) {
        ShowException(e);
        return;
    }
    Rescale();
    map_->InvalidateMap();
}

void TNetForm::Print() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    QPainter p;
    if (!p.begin(&printer)) {
        ShowError("Cannot print");
        return;
    }
    const QSize size = map_->Surface()->size();
    const QRect page = p.viewport();
    const double k =
        std::min(double(page.width()) / size.width(), double(page.height()) / size.height());
    p.scale(k, k);
    const view::TPixelRect all{0, 0, size.width(), size.height()};
    RenderMap(Scene(), p, all, all);
}

void TNetForm::PrintPdf() {
    const std::filesystem::path base(Project().FileName());
    const QString file = QFileDialog::getSaveFileName(
        this, tr("Print to PDF"),
        ToQ((base.parent_path() / (base.stem().string() + ".pdf")).string()),
        tr("PDF files (*.pdf)"));
    if (file.isEmpty()) return;
    if (!RenderMapPdf(Scene(), map_->Surface()->size(), file))
        ShowError("Cannot create file " + FromQ(file));
}

} // namespace zep::shell
