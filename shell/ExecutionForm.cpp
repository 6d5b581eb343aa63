#include "shell/ExecutionForm.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBlock>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/ORVFiles.h"
#include "foundation/OrvMessages.h"
#include "model/Project.h"
#include "model/SCENARIO.h"
#include "model/SECTOR.h"
#include "shell/Dialogs.h"
#include "shell/GuiMessageHandler.h"
#include "view/ViewSettings.h"

namespace zep::shell {

namespace fs = std::filesystem;

TProgramExecutionForm::TProgramExecutionForm(model::TProject& project,
                                             view::TViewSettings* settings, QWidget* parent)
    : QDialog(parent), project_(project), settings_(settings),
      runner_(std::make_unique<modelio::TModelRunner>(project)) {
    setWindowTitle(QStringLiteral("Execute Model Programs"));
    setObjectName(QStringLiteral("ProgramExecutionForm"));

    scenarioTree_ = new QTreeWidget(this);
    scenarioTree_->setObjectName(QStringLiteral("ScenarioTree"));
    scenarioTree_->setHeaderHidden(true);
    FillScenarioTree(*scenarioTree_, project, project.CurrentScenario());

    pages_ = new QTabWidget(this);
    programsPage_ = new QWidget(pages_);
    auto* group = new QGroupBox(tr("Run these programs"), programsPage_);
    all_ = new QRadioButton(tr("&All programs"), group);
    selected_ = new QRadioButton(tr("&Selected programs"), group);
    all_->setChecked(true);
    pathSearch_ = new QCheckBox(tr("Pa&th search"), group);
    initial_ = new QCheckBox(tr("&Initial Assignment"), group);
    location_ = new QCheckBox(tr("&Location"), group);
    fixed_ = new QCheckBox(tr("&Fixed transportables"), group);
    assignment_ = new QCheckBox(tr("Assi&gnment"), group);
    compress_ = new QCheckBox(tr("Compress &output files"), group);
    // The flag is kept with the project, but a run from this window always clears it.
    compress_->setVisible(false);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(all_);
    groupLayout->addWidget(selected_);
    for (QCheckBox* box : {pathSearch_, initial_, location_, fixed_, assignment_}) {
        box->setContentsMargins(16, 0, 0, 0);
        groupLayout->addWidget(box);
    }
    groupLayout->addWidget(compress_);
    groupLayout->addStretch(1);

    taskList_ = new QTreeWidget(programsPage_);
    taskList_->setObjectName(QStringLiteral("TaskList"));
    taskList_->setHeaderLabels({tr("Scen"), tr("Name"), tr("Description")});
    taskList_->setRootIsDecorated(false);
    taskList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    addBtn_ = new QPushButton(tr("A&dd to Batch"), programsPage_);
    removeBtn_ = new QPushButton(tr("R&emove Task"), programsPage_);
    runBtn_ = new QPushButton(tr("&Run"), programsPage_);
    auto* taskButtons = new QHBoxLayout;
    taskButtons->addWidget(addBtn_);
    taskButtons->addWidget(removeBtn_);
    taskButtons->addStretch(1);
    taskButtons->addWidget(runBtn_);
    auto* taskColumn = new QVBoxLayout;
    taskColumn->addWidget(taskList_, 1);
    taskColumn->addLayout(taskButtons);
    auto* programsLayout = new QHBoxLayout(programsPage_);
    programsLayout->addWidget(group);
    programsLayout->addLayout(taskColumn, 1);
    pages_->addTab(programsPage_, tr("Programs"));

    auto* outputPage = new QWidget(pages_);
    memo_ = new QPlainTextEdit(outputPage);
    memo_->setObjectName(QStringLiteral("OutputMemo"));
    memo_->setReadOnly(true);
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo_->setFont(QFont(QStringLiteral("Monospace")));
    progress_ = new QProgressBar(outputPage);
    progress_->setRange(0, 100);
    progress_->setValue(0);
    auto* outputLayout = new QVBoxLayout(outputPage);
    outputLayout->addWidget(memo_, 1);
    outputLayout->addWidget(progress_);
    pages_->addTab(outputPage, tr("Output"));

    auto* splitter = new QSplitter(this);
    splitter->addWidget(scenarioTree_);
    splitter->addWidget(pages_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({160, 560});

    loadBtn_ = new QPushButton(tr("&Load Batch..."), this);
    saveBtn_ = new QPushButton(tr("Sa&ve Batch..."), this);
    closeBtn_ = new QPushButton(tr("&Close"), this);
    closeBtn_->setAutoDefault(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(loadBtn_);
    bottom->addWidget(saveBtn_);
    bottom->addStretch(1);
    bottom->addWidget(closeBtn_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(bottom);

    if (settings_) compress_->setChecked(settings_->ReadBool(kSection, "CompressOutput", false));

    const auto update = [this] { UpdateControls(); };
    connect(all_, &QRadioButton::toggled, this, update);
    connect(scenarioTree_, &QTreeWidget::currentItemChanged, this, update);
    connect(taskList_, &QTreeWidget::itemSelectionChanged, this, update);
    connect(fixed_, &QCheckBox::toggled, this, [this](bool on) {
        if (on) location_->setChecked(true);
    });
    connect(location_, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) fixed_->setChecked(false);
    });
    connect(addBtn_, &QPushButton::clicked, this, &TProgramExecutionForm::AddToBatch);
    connect(removeBtn_, &QPushButton::clicked, this, &TProgramExecutionForm::RemoveTasks);
    connect(runBtn_, &QPushButton::clicked, this, &TProgramExecutionForm::Run);
    connect(loadBtn_, &QPushButton::clicked, this, &TProgramExecutionForm::LoadBatch);
    connect(saveBtn_, &QPushButton::clicked, this, &TProgramExecutionForm::SaveBatch);
    connect(closeBtn_, &QPushButton::clicked, this, &TProgramExecutionForm::CloseOrCancel);
    UpdateControls();
    resize(760, 480);
}

TProgramExecutionForm::~TProgramExecutionForm() {
    // A window closed during a run ends the running program before it goes.
    cancel_ = true;
    Join();
}

void TProgramExecutionForm::Join() {
    if (worker_.joinable()) worker_.join();
}

void TProgramExecutionForm::UpdateControls() {
    const bool sectors = project_.Sectors().Count() > 0;
    const model::TScenario* s = CurrentTreeScenario(*scenarioTree_);
    const bool base = s && s == project_.BaseScenario();
    const bool chosen = selected_->isChecked();
    initial_->setVisible(sectors);
    location_->setVisible(sectors);
    fixed_->setVisible(sectors);
    for (QCheckBox* box : {pathSearch_, location_, assignment_})
        box->setEnabled(chosen);
    initial_->setEnabled(chosen && base);
    fixed_->setEnabled(chosen && base);
    addBtn_->setEnabled(s != nullptr && !running_);
    removeBtn_->setEnabled(!running_ && !taskList_->selectedItems().isEmpty());
    runBtn_->setEnabled(!running_ && taskList_->topLevelItemCount() > 0);
    saveBtn_->setEnabled(!running_ && runner_->TaskCount() > 0);
    loadBtn_->setEnabled(!running_);
    programsPage_->setEnabled(!running_);
}

void TProgramExecutionForm::FillTasks() {
    QSignalBlocker block(taskList_);
    taskList_->clear();
    for (std::size_t i = 0; i < runner_->TaskCount(); ++i) {
        const modelio::IModelStageRunner& task = runner_->Task(i);
        auto* item = new QTreeWidgetItem(taskList_);
        item->setText(0, ToQ(task.Scenario()->GetName()));
        item->setText(1, ToQ(task.StageName()));
        item->setText(2, ToQ(task.Scenario()->GetString(model::kPropDescription)));
    }
    UpdateControls();
}

void TProgramExecutionForm::AddToBatch() {
    model::TScenario* s = CurrentTreeScenario(*scenarioTree_);
    if (!s || running_) return;
    modelio::TStageChoice choice;
    choice.allPrograms = all_->isChecked();
    choice.pathSearch = pathSearch_->isChecked();
    choice.initialAssignment = initial_->isChecked();
    choice.location = location_->isChecked();
    choice.fixedTransportables = fixed_->isChecked();
    choice.assignment = assignment_->isChecked();
    runner_->AddStages(*s, modelio::BatchFlags(choice, s == project_.BaseScenario(),
                                               project_.Sectors().Count() > 0));
    FillTasks();
}

void TProgramExecutionForm::RemoveTasks() {
    if (running_) return;
    std::vector<int> rows;
    for (QTreeWidgetItem* item : taskList_->selectedItems())
        rows.push_back(taskList_->indexOfTopLevelItem(item));
    if (rows.empty()) return;
    std::sort(rows.begin(), rows.end());
    // From the last row up, so that the positions of the rows still to go stay right.
    for (auto r = rows.rbegin(); r != rows.rend(); ++r)
        runner_->RemoveTask(std::size_t(*r));
    FillTasks();
    const int keep = std::min(rows.front(), taskList_->topLevelItemCount() - 1);
    if (keep >= 0) taskList_->setCurrentItem(taskList_->topLevelItem(keep));
    UpdateControls();
}

void TProgramExecutionForm::AddOutput(const std::string& line) {
    const std::size_t before = memo_lines_.Lines().size();
    memo_lines_.Add(line);
    const std::vector<std::string>& lines = memo_lines_.Lines();
    // Only the open last line and what follows it changed.
    const std::size_t from = before == 0 ? 0 : before - 1;
    QTextCursor c(memo_->document());
    c.movePosition(QTextCursor::End);
    c.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    c.insertText(ToQ(lines[from]));
    for (std::size_t i = from + 1; i < lines.size(); ++i) {
        c.insertBlock();
        c.insertText(ToQ(lines[i]));
    }
    memo_->moveCursor(QTextCursor::End);
    memo_->ensureCursorVisible();
}

void TProgramExecutionForm::Run() {
    if (running_ || runner_->TaskCount() == 0) return;
    running_ = true;
    cancel_ = false;
    pages_->setCurrentIndex(1);
    closeBtn_->setText(tr("Cancel"));
    runner_->compressOutput = false;
    memo_lines_.Clear();
    memo_->clear();
    progress_->setValue(0);
    UpdateControls();

    std::vector<std::string> lines;
    try {
        TWaitCursor wait;
        lines = runner_->CommandLines();
    } catch (const std::exception& e) {
        // A file that cannot be generated stops the run before any program starts.
        EndProgress();
        RunEnded(e.what(), false);
        return;
    }
    EndProgress();
    runner_->idleHandler = [this] {
        if (cancel_) throw modelio::EAbort("canceled");
    };
    worker_ = std::thread([this, lines] {
        bool commandNext = false;
        const modelio::TProgressHandler progress = [this, &commandNext](int i, int n) {
            commandNext = true;
            QMetaObject::invokeMethod(
                this,
                [this, i, n] {
                    progress_->setMaximum(n);
                    progress_->setValue(i);
                },
                Qt::QueuedConnection);
        };
        const modelio::TOutputHandler output = [this, &commandNext](const std::string& line) {
            if (cancel_) throw modelio::EAbort("canceled");
            // The command line comes without a line end: it is a finished line of its own and
            // must not be overwritten by the program's first line.
            const std::string text = commandNext ? line + "\n" : line;
            commandNext = false;
            QMetaObject::invokeMethod(
                this, [this, text] { AddOutput(text); }, Qt::QueuedConnection);
        };
        std::string failure;
        bool cancelled = false;
        try {
            runner_->RunCommandLines(lines, progress, output);
        } catch (const modelio::EAbort&) {
            cancelled = true;
        } catch (const std::exception& e) {
            failure = e.what();
            if (failure.empty()) failure = "Unknown error";
        }
        QMetaObject::invokeMethod(
            this, [this, failure, cancelled] { RunEnded(failure, cancelled); },
            Qt::QueuedConnection);
    });
}

void TProgramExecutionForm::RunEnded(const std::string& failure, bool cancelled) {
    Join();
    running_ = false;
    closeBtn_->setText(tr("&Close"));
    UpdateControls();
    if (cancelled) AddOutput("canceled\n");
    if (!failure.empty()) {
        AddOutput(failure + "\n");
        ShowError(failure);
    }
    if (onRunEnded) onRunEnded(failure);
}

void TProgramExecutionForm::SaveBatch() {
    if (running_ || runner_->TaskCount() == 0) return;
    const std::string start = fs::path(project_.FileName()).parent_path().string();
    const std::string file = Dialogs().saveFile(this, "Save Batch", start, kBatchFilter, nullptr);
    if (file.empty()) return;
    try {
        ReplaceFileContent(file, runner_->TasksText());
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

void TProgramExecutionForm::LoadBatch() {
    if (running_) return;
    const std::string start = fs::path(project_.FileName()).parent_path().string();
    const std::vector<std::string> files =
        Dialogs().openFiles(this, "Load Batch", start, kBatchFilter, false);
    if (!files.empty()) LoadBatchFile(files.front());
}

void TProgramExecutionForm::LoadBatchFile(const std::string& fileName) {
    std::error_code ec;
    if (!fs::is_regular_file(fileName, ec)) {
        const fs::path p(fileName);
        ShowError("File \"" + p.filename().string() + "\" does not exist in \"" +
                  p.parent_path().string() + "\".");
        return;
    }
    std::ifstream in(fileName, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    try {
        runner_->LoadTasksText(project_, text.str());
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
    FillTasks();
}

void TProgramExecutionForm::CloseOrCancel() {
    if (running_) {
        cancel_ = true;
        return;
    }
    close();
}

void TProgramExecutionForm::reject() {
    // Escape during a run cancels it rather than leaving the window.
    if (running_) {
        cancel_ = true;
        return;
    }
    QDialog::reject();
}

void TProgramExecutionForm::StoreSettings() {
    if (!settings_) return;
    settings_->WriteBool(kSection, "CompressOutput", compress_->isChecked());
    settings_->Flush();
}

void TProgramExecutionForm::closeEvent(QCloseEvent* event) {
    if (running_) {
        cancel_ = true;
        event->ignore();
        return;
    }
    StoreSettings();
    QDialog::closeEvent(event);
}

} // namespace zep::shell
