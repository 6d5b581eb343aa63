// The execution window "Execute Model Programs": the user collects tasks (scenario and model
// stage), runs them through the model runner and watches the programs' output. The programs
// run on a thread of their own that hands each output line to the window through queued
// calls, so the window never waits for a program; the input files are generated on the
// window's thread before, where the study is owned.
#pragma once

#include <QDialog>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "modelio/ProgramExecution.h"

class QCheckBox;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class QWidget;

namespace zep::model {
class TProject;
}
namespace zep::view {
class TViewSettings;
}

namespace zep::shell {

class TProgramExecutionForm : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kSection = "ProgramExecutionForm";
    static constexpr const char* kBatchFilter =
        "VARDEN Batch (*.zepbat)|*.zepbat|All Files (*.*)|*.*";

    /// `settings`: the project's window settings ("CompressOutput"); may be null.
    TProgramExecutionForm(model::TProject& project, view::TViewSettings* settings,
                          QWidget* parent = nullptr);
    ~TProgramExecutionForm() override;

    modelio::TModelRunner& Runner() { return *runner_; }
    bool Running() const { return running_; }

    // ---- the window's actions (the buttons call these) ----------------------------------------
    void AddToBatch();
    void RemoveTasks();
    /// Builds the command list (and so the input files) here, then runs the programs on the
    /// worker thread; returns at once. onRunEnded tells the end.
    void Run();
    void SaveBatch();
    void LoadBatch();
    /// Cancel while running, else close.
    void CloseOrCancel();
    /// Loads the task file `fileName` (the missing-file message when it is not there).
    void LoadBatchFile(const std::string& fileName);
    /// Refreshes the enabled and visible state of the controls.
    void UpdateControls();

    // ---- controls, for the tests ---------------------------------------------------------------
    QTreeWidget* ScenarioTree() const { return scenarioTree_; }
    QRadioButton* AllPrograms() const { return all_; }
    QRadioButton* SelectedPrograms() const { return selected_; }
    QCheckBox* PathSearchBox() const { return pathSearch_; }
    QCheckBox* InitialAssignmentBox() const { return initial_; }
    QCheckBox* LocationBox() const { return location_; }
    QCheckBox* FixedBox() const { return fixed_; }
    QCheckBox* AssignmentBox() const { return assignment_; }
    QCheckBox* CompressBox() const { return compress_; }
    QTreeWidget* TaskList() const { return taskList_; }
    QPushButton* AddButton() const { return addBtn_; }
    QPushButton* RemoveButton() const { return removeBtn_; }
    QPushButton* RunButton() const { return runBtn_; }
    QPushButton* LoadButton() const { return loadBtn_; }
    QPushButton* SaveButton() const { return saveBtn_; }
    QPushButton* CloseButton() const { return closeBtn_; }
    QPlainTextEdit* Memo() const { return memo_; }
    QProgressBar* ProgressBar() const { return progress_; }
    QTabWidget* Pages() const { return pages_; }
    QWidget* ProgramsPage() const { return programsPage_; }

    /// Told when a run ended: "" after success or cancel, else the failure's text (which the
    /// window has shown).
    std::function<void(const std::string& failure)> onRunEnded;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void FillTasks();
    void AddOutput(const std::string& line);
    void RunEnded(const std::string& failure, bool cancelled);
    void StoreSettings();
    void Join();

    model::TProject& project_;
    view::TViewSettings* settings_;
    std::unique_ptr<modelio::TModelRunner> runner_;
    modelio::TOutputMemo memo_lines_;
    bool running_ = false;
    std::atomic<bool> cancel_{false};
    std::thread worker_;

    QTreeWidget* scenarioTree_;
    QTabWidget* pages_;
    QWidget* programsPage_;
    QRadioButton* all_;
    QRadioButton* selected_;
    QCheckBox* pathSearch_;
    QCheckBox* initial_;
    QCheckBox* location_;
    QCheckBox* fixed_;
    QCheckBox* assignment_;
    QCheckBox* compress_;
    QTreeWidget* taskList_;
    QPushButton* addBtn_;
    QPushButton* removeBtn_;
    QPushButton* runBtn_;
    QPushButton* loadBtn_;
    QPushButton* saveBtn_;
    QPushButton* closeBtn_;
    QPlainTextEdit* memo_;
    QProgressBar* progress_;
};

} // namespace zep::shell
