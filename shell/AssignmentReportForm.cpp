#include "shell/AssignmentReportForm.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "foundation/Exception.h"
#include "foundation/Format.h"
#include "foundation/OrvMessages.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "shell/Dialogs.h"
#include "shell/GuiMessageHandler.h"
#include "view/ViewSettings.h"

namespace zep::shell {

namespace fs = std::filesystem;

namespace {

class TSelectionArea : public modelio::IReportArea {
public:
    explicit TSelectionArea(analysis::PSelection selection) : selection_(std::move(selection)) {}
    bool Contains(model::TFloatPoint p) const override { return selection_->Contains(p); }
    void Write(TXMLGenerator& generator) const override {
        analysis::WriteSelection(generator, *selection_);
    }

private:
    analysis::PSelection selection_;
};

constexpr const char* kFormatCaptions[] = {"By Link and &Route", "By Link and &Operator",
                                           "By &Link", "By S&peed Class Operator"};

} // namespace

modelio::PReportArea ReportAreaOf(analysis::PSelection selection) {
    if (!selection) return nullptr;
    return std::make_shared<TSelectionArea>(std::move(selection));
}

modelio::PReportArea ReadReportArea(const minidom::TElement& settings) {
    analysis::PSelection selection = analysis::ReadSelection(settings);
    if (!selection || selection->ElementName().empty()) return nullptr;
    return ReportAreaOf(std::move(selection));
}

TAssignmentReportForm::TAssignmentReportForm(model::TProject& project, model::TScenario* scenario,
                                             analysis::PSelection selection,
                                             view::TViewSettings* settings, QWidget* parent)
    : QDialog(parent), project_(project), scenario_(scenario), settings_(settings) {
    setWindowTitle(QStringLiteral("Assignment Report"));
    setObjectName(QStringLiteral("AssignmentReportForm"));
    selector_.SetArea(ReportAreaOf(std::move(selection)));

    scenarioTree_ = new QTreeWidget(this);
    scenarioTree_->setHeaderHidden(true);
    FillScenarioTree(*scenarioTree_, project, scenario_);
    if (!scenario_) scenario_ = CurrentTreeScenario(*scenarioTree_);

    pages_ = new QTabWidget(this);
    auto* selectionPage = new QWidget(pages_);
    linkList_ = new QTreeWidget(selectionPage);
    linkList_->setObjectName(QStringLiteral("LinkList"));
    linkList_->setRootIsDecorated(false);
    linkList_->setHeaderLabels({tr("Id"), tr("Orig"), tr("Dest"), tr("Type"), tr("Name")});
    auto* selectionLayout = new QVBoxLayout(selectionPage);
    selectionLayout->addWidget(linkList_);
    pages_->addTab(selectionPage, tr("Selection"));

    auto* filtersPage = new QWidget(pages_);
    auto* formatBox = new QGroupBox(tr("Report format"), filtersPage);
    formats_ = new QButtonGroup(this);
    auto* formatLayout = new QVBoxLayout(formatBox);
    for (int kind = 0; kind < 4; ++kind) {
        auto* b = new QRadioButton(tr(kFormatCaptions[kind]), formatBox);
        formats_->addButton(b, kind);
        formatLayout->addWidget(b);
    }
    width_ = new QLineEdit(filtersPage);
    width_->setObjectName(QStringLiteral("ClassWidthEdit"));
    auto* widthLabel = new QLabel(tr("Speed Class &Range (Distance/Time):"), filtersPage);
    widthLabel->setBuddy(width_);
    filterSplitter_ = new QSplitter(Qt::Horizontal, filtersPage);
    filterSplitter_->setObjectName(QStringLiteral("FilterSplitter"));
    auto* typesBox = new QGroupBox(tr("Link Types"), filterSplitter_);
    linkTypes_ = new QListWidget(typesBox);
    linkTypes_->setObjectName(QStringLiteral("LinkTypeList"));
    (new QVBoxLayout(typesBox))->addWidget(linkTypes_);
    auto* opersBox = new QGroupBox(tr("Operators"), filterSplitter_);
    operators_ = new QListWidget(opersBox);
    operators_->setObjectName(QStringLiteral("OperatorList"));
    (new QVBoxLayout(opersBox))->addWidget(operators_);
    filterSplitter_->addWidget(typesBox);
    filterSplitter_->addWidget(opersBox);
    auto* widthRow = new QHBoxLayout;
    widthRow->addWidget(widthLabel);
    widthRow->addWidget(width_);
    widthRow->addStretch(1);
    auto* filtersLayout = new QVBoxLayout(filtersPage);
    filtersLayout->addWidget(formatBox);
    filtersLayout->addLayout(widthRow);
    filtersLayout->addWidget(filterSplitter_, 1);
    pages_->addTab(filtersPage, tr("Filters"));

    auto* split = new QSplitter(this);
    split->addWidget(scenarioTree_);
    split->addWidget(pages_);
    split->setStretchFactor(1, 1);
    split->setSizes({140, 560});

    auto* saveReport = new QPushButton(tr("Sa&ve Report..."), this);
    saveReport->setObjectName(QStringLiteral("SaveReportBtn"));
    auto* saveSettings = new QPushButton(tr("Save &Settings..."), this);
    auto* loadSettings = new QPushButton(tr("&Load Settings..."), this);
    auto* close = new QPushButton(tr("&Close"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(saveReport);
    buttons->addWidget(saveSettings);
    buttons->addWidget(loadSettings);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);

    width_->setText(QString::number(modelio::TLinkSelector::kDefaultClassWidth, 'f', 2));
    FillCheckLists();
    ShowSelector();
    if (settings_) {
        const int pos = settings_->ReadInteger(kSection, "FilterSplitterPos", -1);
        if (pos >= 0) filterSplitter_->setSizes({pos, 1000});
    }

    connect(scenarioTree_, &QTreeWidget::currentItemChanged, this,
            [this] { SetScenario(CurrentTreeScenario(*scenarioTree_)); });
    connect(pages_, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == 0 && filtersChanged_) RefreshLinks();
    });
    const auto checkList = [this](QListWidget* list, bool types) {
        connect(list, &QListWidget::itemChanged, this, [this, types](QListWidgetItem* item) {
            const std::string id = FromQ(item->data(Qt::UserRole).toString());
            const bool on = item->checkState() == Qt::Checked;
            if (types)
                on ? selector_.IncludeLinkType(id) : selector_.ExcludeLinkType(id);
            else
                on ? selector_.IncludeOperator(id) : selector_.ExcludeOperator(id);
            filtersChanged_ = true;
        });
    };
    checkList(linkTypes_, true);
    checkList(operators_, false);
    connect(formats_, &QButtonGroup::idClicked, this,
            [this](int kind) { selector_.SetFormatKind(kind); });
    connect(saveReport, &QPushButton::clicked, this, [this] { SaveReport(); });
    connect(saveSettings, &QPushButton::clicked, this, &TAssignmentReportForm::SaveSettings);
    connect(loadSettings, &QPushButton::clicked, this, &TAssignmentReportForm::LoadSettings);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    resize(760, 500);
}

TAssignmentReportForm::~TAssignmentReportForm() = default;

void TAssignmentReportForm::SetScenario(model::TScenario* scenario) {
    if (!scenario) return;
    scenario_ = scenario;
    RefreshLinks();
}

void TAssignmentReportForm::FillCheckLists() {
    const auto fill = [](QListWidget* list, const model::TEntityList& entities,
                         const std::function<bool(const std::string&)>& included) {
        QSignalBlocker block(list);
        list->clear();
        for (std::size_t i = 0; i < entities.Count(); ++i) {
            const model::TEntity* e = entities.Get(i);
            const std::string id = modelio::IdentifierText(*e);
            auto* item = new QListWidgetItem(ToQ(id + " " + e->GetName()), list);
            item->setData(Qt::UserRole, ToQ(id));
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(included(id) ? Qt::Checked : Qt::Unchecked);
        }
    };
    fill(linkTypes_, project_.LinkTypes(),
         [this](const std::string& id) { return selector_.IsLinkTypeIncluded(id); });
    fill(operators_, project_.Operators(),
         [this](const std::string& id) { return selector_.IsOperatorIncluded(id); });
}

void TAssignmentReportForm::ShowSelector() {
    if (QAbstractButton* b = formats_->button(selector_.FormatKind())) b->setChecked(true);
    width_->setText(QString::number(selector_.ClassWidth(), 'f', 2));
    FillCheckLists();
    RefreshLinks();
}

void TAssignmentReportForm::RefreshLinks() {
    filtersChanged_ = false;
    selector_.RefreshLinks(project_.Links());
    linkList_->clear();
    QList<QTreeWidgetItem*> items;
    for (model::TLink* link : selector_.Links()) {
        if (selector_.Excludes(*link, scenario_)) continue;
        auto* item = new QTreeWidgetItem;
        item->setText(0, ToQ(modelio::IdentifierText(*link)));
        item->setText(1, link->Tail() ? QString::number(link->Tail()->Id()) : QString());
        item->setText(2, link->Head() ? QString::number(link->Head()->Id()) : QString());
        const model::TLinkType* type = link->LinkTypeIn(scenario_);
        item->setText(3, type ? ToQ(modelio::IdentifierText(*type)) : QString());
        item->setText(4, ToQ(link->GetName()));
        items.push_back(item);
    }
    linkList_->addTopLevelItems(items);
}

void TAssignmentReportForm::ReadControls() {
    selector_.SetFormatKind(std::max(formats_->checkedId(), 0));
    const std::string text = FromQ(width_->text().trimmed());
    double width = 0;
    if (!TryStrToFloat(text, width))
        throw EConvertError("'" + text + "' is not a valid floating point value");
    selector_.SetClassWidth(width);
}

bool TAssignmentReportForm::SaveReport() {
    try {
        ReadControls();
    } catch (const std::exception& e) {
        ShowError(e.what());
        return false;
    }
    const fs::path dir = fs::path(project_.FileName()).parent_path();
    const std::string start = (dir / modelio::ProposedReportName(project_, scenario_)).string();
    std::string file = Dialogs().saveFile(this, "Save Report", start, kReportFilter, nullptr);
    if (file.empty()) return false;
    if (fs::path(file).extension().empty()) file += ".csv";
    return SaveReportTo(file);
}

bool TAssignmentReportForm::SaveReportTo(const std::string& fileName) {
    try {
        ReadControls();
        TWaitCursor wait;
        modelio::SaveReport(selector_, project_, scenario_, selector_.FormatKind(), fileName);
    } catch (const std::exception& e) {
        EndProgress();
        ShowError(e.what());
        return false;
    }
    EndProgress();
    return true;
}

void TAssignmentReportForm::SaveSettings() {
    try {
        ReadControls();
    } catch (const std::exception& e) {
        ShowError(e.what());
        return;
    }
    const std::string file =
        Dialogs().saveFile(this, "Save Settings", modelio::ReportSettingsFileName(project_),
                           kSettingsSaveFilter, nullptr);
    if (file.empty()) return;
    try {
        modelio::SaveReportSettings(selector_, file);
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

void TAssignmentReportForm::LoadSettings() {
    const std::vector<std::string> files =
        Dialogs().openFiles(this, "Load Settings", modelio::ReportSettingsFileName(project_),
                            kSettingsLoadFilter, false);
    if (!files.empty()) LoadSettingsFile(files.front());
}

bool TAssignmentReportForm::LoadSettingsFile(const std::string& fileName) {
    // A file that cannot be read leaves the window as it was.
    modelio::TLinkSelector loaded = selector_;
    try {
        modelio::LoadReportSettings(loaded, fileName, ReadReportArea);
    } catch (const std::exception& e) {
        ShowError(e.what());
        return false;
    }
    selector_ = loaded;
    ShowSelector();
    return true;
}

void TAssignmentReportForm::StoreSettings() {
    if (!settings_) return;
    settings_->WriteInteger(kSection, "FilterSplitterPos", filterSplitter_->sizes().value(0));
    settings_->Flush();
}

void TAssignmentReportForm::closeEvent(QCloseEvent* event) {
    StoreSettings();
    QDialog::closeEvent(event);
}

} // namespace zep::shell
