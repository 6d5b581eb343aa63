#include "shell/Dialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QStringList>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <map>

#include "model/Project.h"
#include "model/SCENARIO.h"
#include "shell/GuiMessageHandler.h"

namespace zep::shell {

QString QtFilter(const char* pipeFilter) {
    const QStringList parts = QString::fromLatin1(pipeFilter).split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString& description = parts[i];
        entries << (description.contains(QLatin1Char('('))
                        ? description
                        : description + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return entries.join(QStringLiteral(";;"));
}

void FillScenarioTree(QTreeWidget& tree, const model::TProject& project,
                      const model::TScenario* current) {
    QSignalBlocker block(&tree);
    tree.clear();
    std::map<const model::TScenario*, QTreeWidgetItem*> items;
    const model::TScenarioList& list = project.Scenarios();
    // The list is in scenario order: every parent comes before its children.
    for (std::size_t i = 0; i < list.Count(); ++i) {
        model::TScenario* s = list.Get(i);
        QTreeWidgetItem* parent =
            s->Parent() && items.count(s->Parent()) ? items[s->Parent()] : nullptr;
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(&tree);
        const std::string desc = s->GetString(model::kPropDescription);
        item->setText(0, ToQ(desc.empty() ? s->GetName() : s->GetName() + " " + desc));
        item->setData(0, Qt::UserRole, QVariant::fromValue<void*>(s));
        items[s] = item;
        if (s == current) tree.setCurrentItem(item);
    }
    tree.expandAll();
    if (!tree.currentItem() && tree.topLevelItemCount() > 0)
        tree.setCurrentItem(tree.topLevelItem(0));
}

model::TScenario* CurrentTreeScenario(const QTreeWidget& tree) {
    const QTreeWidgetItem* item = tree.currentItem();
    return item ? static_cast<model::TScenario*>(item->data(0, Qt::UserRole).value<void*>())
                : nullptr;
}

TSelectScenarioDlg::TSelectScenarioDlg(const std::string& caption, const model::TProject& project,
                                       const model::TScenario* current, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(ToQ(caption));
    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    FillScenarioTree(*tree_, project, current);
    connect(tree_, &QTreeWidget::itemActivated, this, &QDialog::accept);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tree_, 1);
    layout->addWidget(buttons);
    tree_->setFocus();
    resize(320, 360);
}

model::TScenario* TSelectScenarioDlg::Scenario() const {
    return CurrentTreeScenario(*tree_);
}

TWaitCursor::TWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

TWaitCursor::~TWaitCursor() {
    QApplication::restoreOverrideCursor();
}

namespace {

TDialogHooks RealDialogs() {
    TDialogHooks h;
    h.chooseScenario = [](QWidget* parent, const std::string& caption,
                          const model::TProject& project,
                          const model::TScenario* current) -> model::TScenario* {
        TSelectScenarioDlg dlg(caption, project, current, parent);
        return dlg.exec() == QDialog::Accepted ? dlg.Scenario() : nullptr;
    };
    h.saveFile = [](QWidget* parent, const std::string& caption, const std::string& start,
                    const char* filter, int* filterIndex) -> std::string {
        const QString qtFilter = QtFilter(filter);
        QString selected = qtFilter.section(QStringLiteral(";;"), 0, 0);
        const QString f =
            QFileDialog::getSaveFileName(parent, ToQ(caption), ToQ(start), qtFilter, &selected);
        if (filterIndex) *filterIndex = int(qtFilter.split(QStringLiteral(";;")).indexOf(selected));
        return FromQ(f);
    };
    h.openFiles = [](QWidget* parent, const std::string& caption, const std::string& start,
                     const char* filter, bool many) -> std::vector<std::string> {
        std::vector<std::string> files;
        if (many) {
            for (const QString& f :
                 QFileDialog::getOpenFileNames(parent, ToQ(caption), ToQ(start), QtFilter(filter)))
                files.push_back(FromQ(f));
        } else {
            const QString f =
                QFileDialog::getOpenFileName(parent, ToQ(caption), ToQ(start), QtFilter(filter));
            if (!f.isEmpty()) files.push_back(FromQ(f));
        }
        return files;
    };
    return h;
}

} // namespace

TDialogHooks& Dialogs() {
    static TDialogHooks hooks = RealDialogs();
    return hooks;
}

void ResetDialogs() {
    Dialogs() = RealDialogs();
}

} // namespace zep::shell
