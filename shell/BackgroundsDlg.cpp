#include "shell/BackgroundsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

#include "foundation/OrvMessages.h"
#include "shell/GuiMessageHandler.h"
#include "view/BackgroundFiles.h"
#include "view/ColorMap.h"
#include "view/qt/QtCanvas.h"

namespace zep::shell {

TBackgroundsDlg::TBackgroundsDlg(const view::TBackgroundFileManager& manager, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Backgrounds"));
    for (std::size_t i = 0; i < manager.Count(); ++i) {
        const auto& f = manager.File(i);
        entries_.push_back({f.Path(), f.Color(), f.Visible(), f.LoadAutomatically()});
    }
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("FileList"));
    auto* add = new QPushButton(tr("&Add..."), this);
    auto* remove = new QPushButton(tr("&Remove"), this);
    auto* up = new QPushButton(tr("Move &Up"), this);
    auto* down = new QPushButton(tr("Move &Down"), this);
    path_ = new QLineEdit(this);
    path_->setReadOnly(true);
    color_ = new QComboBox(this);
    color_->setObjectName(QStringLiteral("ColorBox"));
    color_->addItem(tr("Black"), QVariant::fromValue<uint>(0));
    for (int i = 0; i < view::kPaletteSize; ++i) {
        QPixmap pm(14, 14);
        const view::TColor c = view::PaletteColor(i);
        pm.fill(view::qt::ToQColor(c));
        color_->addItem(QIcon(pm), QString::number(i), QVariant::fromValue<uint>(c));
    }
    visible_ = new QCheckBox(tr("&Visible"), this);
    auto_ = new QCheckBox(tr("Load &automatically at startup"), this);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {add, remove, up, down})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(list_, 1);
    top->addLayout(buttons);
    auto* form = new QFormLayout;
    form->addRow(tr("Pat&h:"), path_);
    form->addRow(tr("&Color:"), color_);
    form->addRow(visible_);
    form->addRow(auto_);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(form);
    layout->addWidget(box);

    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(add, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(this, tr("Add"), QString(),
                                                          tr("DXF Files (*.dxf);;All Files (*)"));
        if (!file.isEmpty()) AddPath(FromQ(file));
    });
    connect(remove, &QPushButton::clicked, this, [this] { RemoveCurrent(); });
    connect(up, &QPushButton::clicked, this, [this] { MoveCurrent(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveCurrent(1); });
    connect(list_, &QListWidget::currentRowChanged, this, [this] { ShowCurrent(); });
    connect(color_, &QComboBox::currentIndexChanged, this, [this] { StoreCurrent(); });
    connect(visible_, &QCheckBox::toggled, this, [this] { StoreCurrent(); });
    connect(auto_, &QCheckBox::toggled, this, [this] { StoreCurrent(); });
    Refill();
}

void TBackgroundsDlg::Refill() {
    filling_ = true;
    const int row = list_->currentRow();
    list_->clear();
    for (const TEntry& e : entries_)
        list_->addItem(ToQ(std::filesystem::path(e.path).filename().string()));
    filling_ = false;
    list_->setCurrentRow(std::clamp(row, 0, int(entries_.size()) - 1));
    ShowCurrent();
}

void TBackgroundsDlg::ShowCurrent() {
    if (filling_) return;
    filling_ = true;
    const int row = list_->currentRow();
    const bool has = row >= 0 && row < int(entries_.size());
    for (QWidget* w : std::initializer_list<QWidget*>{path_, color_, visible_, auto_})
        w->setEnabled(has);
    if (has) {
        const TEntry& e = entries_[row];
        path_->setText(ToQ(e.path));
        const int c = color_->findData(QVariant::fromValue<uint>(e.color));
        color_->setCurrentIndex(std::max(c, 0));
        visible_->setChecked(e.visible);
        auto_->setChecked(e.loadAutomatically);
    }
    filling_ = false;
}

void TBackgroundsDlg::StoreCurrent() {
    if (filling_) return;
    const int row = list_->currentRow();
    if (row < 0 || row >= int(entries_.size())) return;
    TEntry& e = entries_[row];
    e.color = color_->currentData().toUInt();
    e.visible = visible_->isChecked();
    e.loadAutomatically = auto_->isChecked();
}

void TBackgroundsDlg::AddPath(const std::string& path) {
    try {
        view::TBackgroundFileManager::CreateFile(path); // refuses unsupported kinds
    } catch (const std::exception& e) {
        ShowError(e.what());
        return;
    }
    entries_.push_back({path, 0, true, true});
    Refill();
    list_->setCurrentRow(int(entries_.size()) - 1);
}

void TBackgroundsDlg::RemoveCurrent() {
    const int row = list_->currentRow();
    if (row < 0 || row >= int(entries_.size())) return;
    entries_.erase(entries_.begin() + row);
    Refill();
}

void TBackgroundsDlg::MoveCurrent(int by) {
    const int row = list_->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= int(entries_.size())) return;
    std::swap(entries_[row], entries_[to]);
    Refill();
    list_->setCurrentRow(to);
}

void TBackgroundsDlg::Apply(view::TBackgroundFileManager& manager) const {
    // Files the list kept keep their loaded drawing; removed ones go; new ones are added.
    for (std::size_t i = manager.Count(); i-- > 0;) {
        const std::string& p = manager.File(i).Path();
        const bool kept = std::any_of(entries_.begin(), entries_.end(),
                                      [&](const TEntry& e) { return e.path == p; });
        if (!kept) manager.Remove(i);
    }
    for (std::size_t target = 0; target < entries_.size(); ++target) {
        const TEntry& e = entries_[target];
        std::size_t at = manager.Count();
        for (std::size_t i = 0; i < manager.Count(); ++i)
            if (manager.File(i).Path() == e.path) at = i;
        if (at == manager.Count()) manager.AddFile(e.path);
        if (at != target) manager.Move(at, target);
        view::TAbstractBackgroundFile& f = manager.File(target);
        f.SetColor(e.color);
        f.SetVisible(e.visible);
        f.SetLoadAutomatically(e.loadAutomatically);
    }
}

} // namespace zep::shell
