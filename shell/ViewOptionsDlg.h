// The "View Options" dialog: node size and labels, link separation, non-stops, grayed links,
// the link label attribute, fonts and the scale. It edits a copy; Apply writes it back.
#pragma once

#include <QDialog>

#include "view/NetViewOptions.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFontComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QSpinBox;
class QToolButton;

namespace zep::shell {

class TViewOptionsDlg : public QDialog {
    Q_OBJECT
public:
    /// `results`: the project holds assignment results (their label attributes are offered).
    TViewOptionsDlg(const view::TNetViewOptions& options, bool results, QWidget* parent = nullptr);
    /// Stores every value back. A scale that does not parse or is not positive is ignored; a
    /// font size that does not parse keeps the old size.
    void Apply(view::TNetViewOptions& options) const;

    // The controls, for tests that fill the dialog as a user would.
    QSlider* NodeTrack() const { return nodeTrack_; }
    QSpinBox* LinkSeparationCtl() const { return separation_; }
    QComboBox* LinkAttributeCombo() const { return linkAttribute_; }
    QLineEdit* ScaleEdit() const { return scale_; }
    QButtonGroup* LabelWhat() const { return labelWhat_; }
    QButtonGroup* LabelWith() const { return labelWith_; }
    QCheckBox* ShowNonStops() const { return nonStops_; }
    QCheckBox* HideGrayed() const { return hideGrayed_; }
    QLineEdit* NodeFontSize() const { return nodeSize_; }

private:
    struct TFontControls;
    QWidget* FontRow(const view::TFont& font, QFontComboBox*& name, QLineEdit*& size,
                     QToolButton*& bold, QToolButton*& italic);
    static void ReadFont(view::TFont& font, QFontComboBox* name, QLineEdit* size, QToolButton* bold,
                         QToolButton* italic);

    QSlider* nodeTrack_;
    QButtonGroup* labelWhat_;
    QButtonGroup* labelWith_;
    QFontComboBox* nodeFont_;
    QLineEdit* nodeSize_;
    QToolButton* nodeBold_;
    QToolButton* nodeItalic_;
    QFontComboBox* linkFont_;
    QLineEdit* linkSize_;
    QToolButton* linkBold_;
    QToolButton* linkItalic_;
    QSpinBox* separation_;
    QLabel* sepLbl_;
    QCheckBox* nonStops_;
    QCheckBox* hideGrayed_;
    QComboBox* linkAttribute_;
    QLineEdit* scale_;
    int originalTrack_;
};

} // namespace zep::shell
