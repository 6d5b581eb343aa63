#include "shell/ViewOptionsDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "shell/GuiMessageHandler.h"

namespace zep::shell {

namespace {

QGroupBox* RadioGroup(const QString& title, const QStringList& captions, QButtonGroup*& group,
                      int checked, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QVBoxLayout(box);
    group = new QButtonGroup(box);
    for (int i = 0; i < captions.size(); ++i) {
        auto* b = new QRadioButton(captions[i], box);
        group->addButton(b, i);
        layout->addWidget(b);
        if (i == checked) b->setChecked(true);
    }
    return box;
}

} // namespace

QWidget* TViewOptionsDlg::FontRow(const view::TFont& font, QFontComboBox*& name, QLineEdit*& size,
                                  QToolButton*& bold, QToolButton*& italic) {
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    name = new QFontComboBox(row);
    name->setCurrentFont(QFont(ToQ(font.name)));
    // A face missing here shows as its substitute; only a choice of the user replaces the name.
    name->setProperty("shownFamily", name->currentFont().family());
    size = new QLineEdit(QString::number(font.size), row);
    size->setMaximumWidth(48);
    bold = new QToolButton(row);
    bold->setText(QStringLiteral("B"));
    bold->setCheckable(true);
    bold->setChecked(font.bold);
    italic = new QToolButton(row);
    italic->setText(QStringLiteral("I"));
    italic->setCheckable(true);
    italic->setChecked(font.italic);
    h->addWidget(name, 1);
    h->addWidget(size);
    h->addWidget(bold);
    h->addWidget(italic);
    return row;
}

TViewOptionsDlg::TViewOptionsDlg(const view::TNetViewOptions& options, bool results,
                                 QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("View Options"));
    auto* tabs = new QTabWidget(this);

    // &Nodes
    auto* nodes = new QWidget(tabs);
    auto* nodesLayout = new QVBoxLayout(nodes);
    auto* sizeRow = new QFormLayout;
    nodeTrack_ = new QSlider(Qt::Horizontal, nodes);
    nodeTrack_->setObjectName(QStringLiteral("NodeTrack"));
    nodeTrack_->setRange(0, 24);
    originalTrack_ = std::clamp(options.NodeRadiusPixels(), 0, 24);
    nodeTrack_->setValue(originalTrack_);
    sizeRow->addRow(tr("Node si&ze:"), nodeTrack_);
    nodesLayout->addLayout(sizeRow);
    auto* groups = new QHBoxLayout;
    groups->addWidget(RadioGroup(
        tr("Labels &On"), {tr("&None"), tr("&Zones"), tr("&Selected Nodes"), tr("&All Nodes")},
        labelWhat_, options.labelWhat, nodes));
    groups->addWidget(RadioGroup(tr("Label W&ith"), {tr("N&umbers"), tr("Na&mes"), tr("&Both")},
                                 labelWith_, options.labelWith, nodes));
    nodesLayout->addLayout(groups);
    auto* nodeFontForm = new QFormLayout;
    nodeFontForm->addRow(tr("Font:"),
                         FontRow(options.nodeFont, nodeFont_, nodeSize_, nodeBold_, nodeItalic_));
    nodesLayout->addLayout(nodeFontForm);
    nodesLayout->addStretch();
    tabs->addTab(nodes, tr("&Nodes"));

    // &Links
    auto* links = new QWidget(tabs);
    auto* linksForm = new QFormLayout(links);
    auto* sepRow = new QWidget(links);
    auto* sepLayout = new QHBoxLayout(sepRow);
    sepLayout->setContentsMargins(0, 0, 0, 0);
    separation_ = new QSpinBox(sepRow);
    separation_->setObjectName(QStringLiteral("LinkSeparationCtl"));
    separation_->setRange(1, 16);
    separation_->setValue(std::clamp(options.linkSeparation, 1, 16));
    sepLbl_ = new QLabel(QString::number(separation_->value()), sepRow);
    sepLbl_->setObjectName(QStringLiteral("SepLbl"));
    connect(separation_, &QSpinBox::valueChanged, sepLbl_,
            [this](int v) { sepLbl_->setText(QString::number(v)); });
    sepLayout->addWidget(separation_);
    sepLayout->addWidget(sepLbl_);
    sepLayout->addStretch();
    linksForm->addRow(tr("Link separation:"), sepRow);
    nonStops_ = new QCheckBox(tr("&Show where routes do not stop"), links);
    nonStops_->setChecked(options.showNonStops);
    linksForm->addRow(nonStops_);
    hideGrayed_ = new QCheckBox(tr("&Hide grayed links"), links);
    hideGrayed_->setChecked(options.hideGrayedLinks);
    linksForm->addRow(hideGrayed_);
    linkAttribute_ = new QComboBox(links);
    linkAttribute_->setObjectName(QStringLiteral("LinkAttributeCombo"));
    for (std::size_t i = 0; i < view::kLinkLabelAttributes.size(); ++i) {
        const auto& a = view::kLinkLabelAttributes[i];
        if (a.results && !results) continue;
        linkAttribute_->addItem(QString::fromLatin1(a.caption), int(i));
    }
    const int current = linkAttribute_->findData(std::max(options.linkLabelIndex, 0));
    linkAttribute_->setCurrentIndex(std::max(current, 0));
    linksForm->addRow(tr("La&bel links with:"), linkAttribute_);
    linksForm->addRow(tr("Font:"),
                      FontRow(options.linkFont, linkFont_, linkSize_, linkBold_, linkItalic_));
    tabs->addTab(links, tr("&Links"));

    // &General
    auto* general = new QWidget(tabs);
    auto* generalForm = new QFormLayout(general);
    scale_ = new QLineEdit(QString::number(options.Scaler().Zoom(), 'f', 3), general);
    scale_->setObjectName(QStringLiteral("ScaleEdit"));
    generalForm->addRow(tr("&Scale:"), scale_);
    tabs->addTab(general, tr("&General"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
}

void TViewOptionsDlg::ReadFont(view::TFont& font, QFontComboBox* name, QLineEdit* size,
                               QToolButton* bold, QToolButton* italic) {
    if (name->currentFont().family() != name->property("shownFamily").toString())
        font.name = FromQ(name->currentFont().family());
    bool ok = false;
    const int s = size->text().trimmed().toInt(&ok);
    if (ok && s > 0) font.size = s;
    font.bold = bold->isChecked();
    font.italic = italic->isChecked();
}

void TViewOptionsDlg::Apply(view::TNetViewOptions& options) const {
    options.labelWhat = std::uint8_t(std::max(labelWhat_->checkedId(), 0));
    options.labelWith = std::uint8_t(std::max(labelWith_->checkedId(), 0));
    ReadFont(options.nodeFont, nodeFont_, nodeSize_, nodeBold_, nodeItalic_);
    ReadFont(options.linkFont, linkFont_, linkSize_, linkBold_, linkItalic_);
    options.linkSeparation = separation_->value();
    options.showNonStops = nonStops_->isChecked();
    options.hideGrayedLinks = hideGrayed_->isChecked();
    const int attribute = linkAttribute_->currentData().toInt();
    options.linkLabelIndex = attribute > 0 ? attribute : -1;
    bool ok = false;
    const double scale = QLocale::c().toDouble(scale_->text().trimmed(), &ok);
    if (ok && scale > 0) options.Scaler().SetZoom(scale);
    // The track works in pixels at the scale just set.
    // An untouched track keeps the exact radius: pixels are a rounded view of it.
    if (nodeTrack_->value() != originalTrack_) options.SetNodeRadiusFromPixels(nodeTrack_->value());
}

} // namespace zep::shell
