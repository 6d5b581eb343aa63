// The "Backgrounds" dialog: the background drawings in drawing order, with their path, colour,
// visibility and whether they load at start-up. It edits a list of entries; Apply makes the
// manager hold exactly those files.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "view/Canvas.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;

namespace zep::view {
class TBackgroundFileManager;
}

namespace zep::shell {

class TBackgroundsDlg : public QDialog {
    Q_OBJECT
public:
    struct TEntry {
        std::string path;
        view::TColor color = 0;
        bool visible = true;
        bool loadAutomatically = true;
    };

    TBackgroundsDlg(const view::TBackgroundFileManager& manager, QWidget* parent = nullptr);
    /// Makes the manager's list the dialog's: files kept keep their loaded drawing.
    void Apply(view::TBackgroundFileManager& manager) const;

    const std::vector<TEntry>& Entries() const { return entries_; }
    /// The dialog's own operations, also reachable from tests.
    void AddPath(const std::string& path);
    void RemoveCurrent();
    void MoveCurrent(int by);
    QListWidget* FileList() const { return list_; }

private:
    void ShowCurrent();
    void StoreCurrent();
    void Refill();

    std::vector<TEntry> entries_;
    QListWidget* list_;
    QLineEdit* path_;
    QComboBox* color_;
    QCheckBox* visible_;
    QCheckBox* auto_;
    bool filling_ = false;
};

} // namespace zep::shell
