#include "shell/ValidateForm.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "model/Project.h"
#include "model/SCENARIO.h"
#include "model/versions.h"
#include "shell/GuiMessageHandler.h"

namespace zep::shell {

std::vector<TValidationFinding> ValidationFindings(model::TProject& project) {
    std::vector<TValidationFinding> findings;
    const auto invalid = project.Validate();
    for (std::size_t i = 0; i < invalid->Count(); ++i) {
        model::TEntity* e = invalid->Get(i);
        const std::size_t before = findings.size();
        if (auto* v = dynamic_cast<const model::TVersionedEntity*>(e);
            v && e->TEntity::ErrorMessage().empty()) {
            for (std::size_t k = 0; k < project.Scenarios().Count(); ++k) {
                const model::TScenario* s = project.Scenarios().Get(k);
                std::string message = v->ErrorMessageIn(s);
                if (!message.empty()) findings.push_back({e, s, std::move(message)});
            }
        }
        if (findings.size() == before) findings.push_back({e, nullptr, e->ErrorMessage()});
    }
    return findings;
}

TValidateForm::TValidateForm(std::vector<TValidationFinding> findings, QWidget* parent)
    : QWidget(parent, Qt::Tool), findings_(std::move(findings)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Validate"));
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("InvalidList"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({tr("Entity"), tr("Scenario"), tr("Message")});
    QList<QTreeWidgetItem*> items;
    for (const TValidationFinding& f : findings_) {
        auto* item = new QTreeWidgetItem;
        const std::string name = f.entity->GetName();
        item->setText(0, ToQ(f.entity->KeyText() + (name.empty() ? "" : " " + name)));
        item->setText(1, f.scenario ? ToQ(f.scenario->GetName()) : QStringLiteral("-"));
        item->setText(2, ToQ(f.message));
        items.push_back(item);
    }
    list_->addTopLevelItems(items);
    list_->header()->resizeSections(QHeaderView::ResizeToContents);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(findings_.empty() ? tr("No invalid entities.")
                                                   : tr("%1 invalid entries; click one to find it "
                                                        "on the map.")
                                                         .arg(findings_.size()),
                                 this));
    layout->addWidget(list_, 1);
    connect(list_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { Locate(list_->indexOfTopLevelItem(item)); });
    connect(list_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { Locate(list_->indexOfTopLevelItem(item)); });
    resize(560, 360);
}

void TValidateForm::Locate(int row) {
    if (row < 0 || std::size_t(row) >= findings_.size() || !onLocate) return;
    onLocate(findings_[std::size_t(row)].entity, findings_[std::size_t(row)].scenario);
}

} // namespace zep::shell
