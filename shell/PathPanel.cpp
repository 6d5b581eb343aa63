#include "shell/PathPanel.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstdlib>

#include "analysis/PATH.h"
#include "foundation/OrvMessages.h"
#include "model/CATEGORY.h"
#include "model/LINK.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/Zone.h"
#include "shell/GuiMessageHandler.h"
#include "view/PthPaint.h"
#include "view/qt/QtCanvas.h"

namespace zep::shell {

namespace {

using analysis::paths::TPath;

void FillZones(QComboBox& box, const model::TProject& project) {
    box.clear();
    const auto& zones = project.TransportZones();
    for (std::size_t i = 0; i < zones.Count(); ++i) {
        const model::TEntity* z = zones.Get(i);
        box.addItem(ToQ(std::to_string(z->Id()) + " " + z->GetName()));
    }
}

void FillModes(QComboBox& box, const model::TProject& project) {
    box.clear();
    const auto& modes = project.Modes();
    for (std::size_t i = 0; i < modes.Count(); ++i)
        box.addItem(ToQ(modes.Get(i)->GetName()));
}

void SetIndex(QComboBox& box, int index) {
    QSignalBlocker block(&box);
    box.setCurrentIndex(index < box.count() ? index : -1);
}

QIcon RouteSwatch(view::TPathPainter& painter, const model::TRoute* route) {
    QPixmap pm(12, 12);
    pm.fill(Qt::transparent);
    if (route && route->ListIndex() >= 0) {
        const view::tColorIndex index = painter.ColorMap().Index(std::size_t(route->ListIndex()));
        pm.fill(view::qt::ToQColor(view::PaletteColor(index)));
    }
    return QIcon(pm);
}

} // namespace

void ApplyPathNumber(view::TPathPainter& painter, int value) {
    if (value > int(painter.PathCount()))
        painter.Next();
    else if (value >= 1)
        painter.SetCurrent(3, value - 1);
}

TPathPanel::TPathPanel(model::TProject& project, QWidget* parent)
    : QWidget(parent), project_(project) {
    setObjectName(QStringLiteral("PathPanel"));
    pages_ = new QTabWidget(this);
    auto* page = new QWidget(pages_);
    page->setObjectName(QStringLiteral("PathsPage"));
    modeList_ = new QComboBox(page);
    modeList_->setObjectName(QStringLiteral("ModeList"));
    sourceList_ = new QComboBox(page);
    sourceList_->setObjectName(QStringLiteral("SourceList"));
    sourceList_->setToolTip(QStringLiteral("Path Origin"));
    sinkList_ = new QComboBox(page);
    sinkList_->setObjectName(QStringLiteral("SinkList"));
    sinkList_->setToolTip(QStringLiteral("Past Destination"));
    categoryList_ = new QComboBox(page);
    categoryList_->setObjectName(QStringLiteral("CategoryList"));
    pathNoSpin_ = new QSpinBox(page);
    pathNoSpin_->setObjectName(QStringLiteral("PathNoSpin"));
    pathNoSpin_->setToolTip(QStringLiteral("Path Number"));
    countLbl_ = new QLabel(page);
    countLbl_->setObjectName(QStringLiteral("PathCountLbl"));
    prevBtn_ = new QPushButton(QStringLiteral("<"), page);
    prevBtn_->setObjectName(QStringLiteral("PrevPathBtn"));
    prevBtn_->setToolTip(QStringLiteral("Previous Path"));
    nextBtn_ = new QPushButton(QStringLiteral(">"), page);
    nextBtn_->setObjectName(QStringLiteral("NextPathBtn"));
    nextBtn_->setToolTip(QStringLiteral("Next Path"));
    grid_ = new QTableWidget(page);
    grid_->setObjectName(QStringLiteral("PathInfoGrid"));
    grid_->horizontalHeader()->setVisible(false);
    grid_->verticalHeader()->setVisible(false);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectColumns);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    costLbl_ = new QLabel(page);
    costLbl_->setObjectName(QStringLiteral("AgDisutilityLbl"));

    auto* form = new QFormLayout;
    form->addRow(tr("&Mode:"), modeList_);
    form->addRow(tr("&Origin:"), sourceList_);
    form->addRow(tr("&Destination:"), sinkList_);
    form->addRow(tr("Ca&tegory:"), categoryList_);
    auto* spinRow = new QHBoxLayout;
    spinRow->addWidget(prevBtn_);
    spinRow->addWidget(pathNoSpin_, 1);
    spinRow->addWidget(countLbl_);
    spinRow->addWidget(nextBtn_);
    form->addRow(tr("Path:"), spinRow);
    form->addRow(tr("Composite cost:"), costLbl_);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(2, 2, 2, 2);
    pageLayout->addLayout(form);
    pageLayout->addWidget(grid_, 1);
    pages_->addTab(page, tr("Paths"));

    auto* linksPage = new QWidget(pages_);
    linksPage->setObjectName(QStringLiteral("PathLinksPage"));
    linksList_ = new QTreeWidget(linksPage);
    linksList_->setObjectName(QStringLiteral("PathLinksList"));
    linksList_->setHeaderLabels({QStringLiteral("Route"), QStringLiteral("To-Node")});
    linksList_->setRootIsDecorated(false);
    auto* linksLayout = new QVBoxLayout(linksPage);
    linksLayout->setContentsMargins(2, 2, 2, 2);
    linksLayout->addWidget(linksList_);
    pages_->addTab(linksPage, tr("Path Links"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pages_);

    FillLists();
    const auto pick = [this](int which) {
        return [this, which](int index) {
            if (index >= 0) Apply([this, which, index] { painter_->SetCurrent(which, index); });
        };
    };
    connect(sourceList_, &QComboBox::currentIndexChanged, this, pick(0));
    connect(sinkList_, &QComboBox::currentIndexChanged, this, pick(1));
    connect(modeList_, &QComboBox::currentIndexChanged, this, pick(2));
    connect(categoryList_, &QComboBox::currentIndexChanged, this, [this] {
        if (!refreshing_) Refresh();
    });
    connect(pathNoSpin_, &QSpinBox::valueChanged, this,
            [this](int v) { Apply([this, v] { ApplyPathNumber(*painter_, v); }); });
    connect(prevBtn_, &QPushButton::clicked, this,
            [this] { Apply([this] { painter_->Previous(); }); });
    connect(nextBtn_, &QPushButton::clicked, this, [this] { Apply([this] { painter_->Next(); }); });
    connect(grid_, &QTableWidget::cellClicked, this, [this](int, int column) {
        if (column >= 1) Apply([this, column] { painter_->SetCurrent(3, column - 1); });
    });
}

void TPathPanel::FillLists() {
    QSignalBlocker b1(modeList_), b2(sourceList_), b3(sinkList_), b4(categoryList_);
    FillModes(*modeList_, project_);
    FillZones(*sourceList_, project_);
    FillZones(*sinkList_, project_);
    const int category = categoryList_->currentIndex();
    categoryList_->clear();
    categoryList_->addItem(tr("(none)"));
    const auto& categories = project_.Categories();
    for (std::size_t i = 0; i < categories.Count(); ++i)
        categoryList_->addItem(ToQ(categories.Get(i)->GetName()));
    categoryList_->setCurrentIndex(category > 0 && category < categoryList_->count() ? category
                                                                                     : 0);
}

void TPathPanel::SetPainter(view::TPathPainter* painter) {
    painter_ = painter;
    Refresh();
}

int TPathPanel::CategoryIndex() const {
    return std::max(categoryList_->currentIndex(), 0);
}

void TPathPanel::SetCategoryIndex(int index) {
    categoryList_->setCurrentIndex(index > 0 && index < categoryList_->count() ? index : 0);
}

const model::TCategory* TPathPanel::Category() const {
    const int i = CategoryIndex();
    const auto& categories = project_.Categories();
    return i >= 1 && std::size_t(i) <= categories.Count()
               ? static_cast<const model::TCategory*>(categories.Get(std::size_t(i - 1)))
               : nullptr;
}

void TPathPanel::Apply(const std::function<void()>& change) {
    if (refreshing_ || !painter_) return;
    try {
        change();
    } catch (const std::exception& e) {
        ShowException(e);
    }
    Refresh();
    if (onChanged) onChanged();
}

void TPathPanel::Refresh() {
    refreshing_ = true;
    setEnabled(painter_ != nullptr);
    if (painter_) {
        SetIndex(*modeList_, painter_->Current(2));
        SetIndex(*sourceList_, painter_->Current(0));
        SetIndex(*sinkList_, painter_->Current(1));
    }
    const int count = painter_ ? int(painter_->PathCount()) : 0;
    {
        QSignalBlocker block(pathNoSpin_);
        // One above the count: stepping the spin past the last path moves on to the next pair.
        if (count == 0) {
            pathNoSpin_->setRange(0, 0);
            pathNoSpin_->setValue(0);
        } else {
            pathNoSpin_->setRange(1, count + 1);
            pathNoSpin_->setValue(painter_->Current(3) + 1);
        }
    }
    countLbl_->setText(QStringLiteral("of %1").arg(count));
    FillGrid();
    FillLinks();
    refreshing_ = false;
}

void TPathPanel::FillGrid() {
    QSignalBlocker block(grid_);
    grid_->clearContents();
    grid_->setRowCount(12);
    const auto set = painter_ ? painter_->CurrentSet() : nullptr;
    const TPath* current = painter_ ? painter_->CurrentPath() : nullptr;
    if (!set || !current) {
        grid_->setColumnCount(2);
        costLbl_->clear();
        return;
    }
    analysis::paths::ComputePathChoice(*set, Category());
    grid_->setColumnCount(int(set->Count()) + 1);
    grid_->setColumnWidth(0, 60);
    const auto& headings = analysis::paths::PathInfoHeadings();
    for (int r = 0; r < 12; ++r)
        grid_->setItem(r, 0,
                       new QTableWidgetItem(QString::fromStdString(headings[std::size_t(r)])));
    for (std::size_t c = 0; c < set->Count(); ++c) {
        const std::vector<std::string> texts = analysis::paths::PathInfoTexts(*set->Get(c));
        for (int r = 0; r < 12 && std::size_t(r) < texts.size(); ++r) {
            auto* item = new QTableWidgetItem(QString::fromStdString(texts[std::size_t(r)]));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid_->setItem(r, int(c) + 1, item);
        }
        if (set->Get(c) == current) grid_->selectColumn(int(c) + 1);
    }
    costLbl_->setText(
        QString::fromStdString(analysis::paths::CompositeCostText(set->compositeCost)));
}

void TPathPanel::FillLinks() {
    linksList_->clear();
    const TPath* path = painter_ ? painter_->CurrentPath() : nullptr;
    if (!path) return;
    for (const analysis::paths::TPathNode& step : path->steps) {
        const model::TLinkRoute* lr = step.linkRoute;
        if (!lr) continue;
        const model::TRoute* route = lr->Route();
        const model::TLink* link = lr->Link();
        const model::TNode* to = link ? (step.reversed ? link->Tail() : link->Head()) : nullptr;
        auto* item = new QTreeWidgetItem(linksList_);
        item->setText(0, route ? ToQ(std::to_string(std::abs(route->Id())) + " " + route->GetName())
                               : QString());
        item->setText(1, to ? ToQ(std::to_string(to->Id()) + " " + to->GetName()) : QString());
        item->setIcon(0, RouteSwatch(*painter_, route));
        item->setData(0, Qt::UserRole,
                      QVariant::fromValue<void*>(const_cast<model::TLinkRoute*>(lr)));
    }
}

// ---- the selection dialog ------------------------------------------------------------------

TPathSelectDlg::TPathSelectDlg(const model::TProject& project, const view::TPathPainter& painter,
                               QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Select Path"));
    modeList_ = new QComboBox(this);
    modeList_->setObjectName(QStringLiteral("ModeList"));
    sourceList_ = new QComboBox(this);
    sourceList_->setObjectName(QStringLiteral("SourceList"));
    sinkList_ = new QComboBox(this);
    sinkList_->setObjectName(QStringLiteral("SinkList"));
    FillModes(*modeList_, project);
    FillZones(*sourceList_, project);
    FillZones(*sinkList_, project);
    SetIndex(*modeList_, painter.Current(2));
    SetIndex(*sourceList_, painter.Current(0));
    SetIndex(*sinkList_, painter.Current(1));
    auto* form = new QFormLayout;
    form->addRow(tr("&Mode:"), modeList_);
    form->addRow(tr("&Origin:"), sourceList_);
    form->addRow(tr("&Destination:"), sinkList_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

// ---- paths that use a link -----------------------------------------------------------------

TPathsUsingLinkForm::TPathsUsingLinkForm(const model::TProject& project,
                                         view::TPathPainter& painter, const model::TLink& link,
                                         QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), painter_(painter) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(ToQ("Paths that use Link " + link.KeyText().substr(2)));
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("PathsList"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({tr("Origin"), tr("Destination"), tr("Path")});
    const auto& zones = project.TransportZones();
    const auto zoneId = [&zones](std::int32_t index) {
        return index >= 0 && std::size_t(index) < zones.Count()
                   ? QString::number(zones.Get(std::size_t(index))->Id())
                   : QString();
    };
    for (const analysis::paths::TPathRef& ref : painter.PathFileSet().PathsUsingLink(&link)) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, zoneId(ref.origin));
        item->setText(1, zoneId(ref.destination));
        item->setText(2, QString::number(ref.number));
        item->setData(0, Qt::UserRole, QList<QVariant>{ref.origin, ref.destination, ref.number});
    }
    connect(list_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { SelectRow(list_->indexOfTopLevelItem(item)); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    resize(320, 400);
}

void TPathsUsingLinkForm::SelectRow(int row) {
    QTreeWidgetItem* item = list_->topLevelItem(row);
    if (!item) return;
    const QList<QVariant> ref = item->data(0, Qt::UserRole).toList();
    painter_.PathFileSet().Select(painter_.Current(2), ref[0].toInt(), ref[2].toInt() - 1,
                                  ref[1].toInt());
    if (onChanged) onChanged();
}

} // namespace zep::shell
