// The "Select Node" and "Select Link" dialogs: type an identifier, a key or a name, or pick one
// from the list.
#pragma once

#include <QDialog>
#include <string>

class QLineEdit;
class QListWidget;

namespace zep::model {
class TProject;
}

namespace zep::shell {

class TFindDlg : public QDialog {
    Q_OBJECT
public:
    enum TKind { Nodes, Links };
    TFindDlg(TKind kind, const model::TProject& project, QWidget* parent = nullptr);
    /// What was typed or picked (Windows-1252).
    std::string Text() const;
    QLineEdit* Edit() const { return edit_; }

private:
    QLineEdit* edit_;
    QListWidget* list_;
};

} // namespace zep::shell
