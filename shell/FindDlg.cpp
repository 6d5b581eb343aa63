#include "shell/FindDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "shell/GuiMessageHandler.h"

namespace zep::shell {

namespace {
// A list longer than this is left to typing: filling it would cost more than it helps.
constexpr std::size_t kMaxListed = 5000;
} // namespace

TFindDlg::TFindDlg(TKind kind, const model::TProject& project, QWidget* parent) : QDialog(parent) {
    setWindowTitle(kind == Nodes ? QStringLiteral("Select Node") : QStringLiteral("Select Link"));
    edit_ = new QLineEdit(this);
    list_ = new QListWidget(this);
    auto* label = new QLabel(kind == Nodes ? tr("&Node (number, key or name):")
                                           : tr("&Link (FROM-TO, key, number or name):"),
                             this);
    label->setBuddy(edit_);
    if (kind == Nodes) {
        const auto& nodes = project.Nodes();
        for (std::size_t i = 0; i < nodes.Count() && i < kMaxListed; ++i) {
            const auto* n = nodes.Get(i);
            list_->addItem(ToQ(std::to_string(n->Id()) + "  " + n->GetName()));
        }
    } else {
        const auto& links = project.Links();
        for (std::size_t i = 0; i < links.Count() && i < kMaxListed; ++i) {
            const auto* l = links.Get(i);
            list_->addItem(ToQ(l->KeyText().substr(2) + "  " + l->GetName()));
        }
    }
    connect(list_, &QListWidget::currentTextChanged, this,
            [this](const QString& t) { edit_->setText(t.section(QStringLiteral("  "), 0, 0)); });
    connect(list_, &QListWidget::itemActivated, this, &QDialog::accept);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(edit_);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons);
    edit_->setFocus();
}

std::string TFindDlg::Text() const {
    return FromQ(edit_->text());
}

} // namespace zep::shell
