#include "shell/Document.h"

#include <filesystem>
#include <fstream>
#include <set>

#include "files/ImportExport.h"
#include "files/PrjFile.h"
#include "foundation/Exception.h"
#include "foundation/Format.h"
#include "foundation/ORVFiles.h"
#include "foundation/OrvLogging.h"
#include "foundation/OrvMessages.h"
#include "foundation/SafeSave.h"
#include "model/LINK.h"
#include "model/NODE.h"
#include "model/Project.h"
#include "modelio/LinkGeometry.h"
#include "modelio/ZEPASCII.h"

namespace zep::shell {

namespace fs = std::filesystem;

std::string ResolveOpenName(const std::string& name) {
    const fs::path p(name);
    if (p.has_extension()) return name;
    std::string zpz = name + ".zpz";
    std::error_code ec;
    if (fs::exists(zpz, ec)) return zpz;
    const fs::path dir = p.parent_path().empty() ? fs::path(".") : p.parent_path();
    if (fs::is_directory(dir, ec)) return name + ".zep";
    return zpz;
}

namespace {

std::unique_ptr<model::TProject> NewProject() {
    auto p = std::make_unique<model::TProject>();
    p->SetName("NEW");
    p->SetDescription("A New Project");
    return p;
}

/// Failures of writing a file, reported with their message; anything else is "Unknown error".
bool IsWriteFailure(const std::exception& e) {
    return dynamic_cast<const EStreamError*>(&e) || dynamic_cast<const EInOutError*>(&e) ||
           dynamic_cast<const ECannotCreateFile*>(&e) ||
           dynamic_cast<const ECannotCreateTmpFile*>(&e) ||
           dynamic_cast<const ECouldNotRenameToBackup*>(&e) ||
           dynamic_cast<const EInvalidPath*>(&e) || dynamic_cast<const std::system_error*>(&e) ||
           dynamic_cast<const std::ios_base::failure*>(&e) ||
           dynamic_cast<const EConvertError*>(&e);
}

} // namespace

TDocument::TDocument() : project_(NewProject()) {}

TDocument::~TDocument() {
    // The views belong to their windows; they only lose their document.
    for (TDocumentView* v : views_)
        v->document_ = nullptr;
    // Commands hold undo records that point into the project: they go first.
    stack_.Clear();
}

void TDocument::SetFileName(const std::string& name) {
    fs::path p(name);
    if (!p.has_extension()) p += ".zpz";
    fileName_ = p.string();
}

bool TDocument::Modified() const {
    return !project_->ReadOnly() && stack_.TopCommand() != nullptr;
}

bool TDocument::Open(const std::string& fileName) {
    SetFileName(fileName);
    try {
        std::unique_ptr<model::TProject> loaded = files::OpenProject(fileName_);
        loaded->SetFileName(fileName_);
        stack_.Clear();
        project_ = std::move(loaded);
        modelio::AttachLinkGeometries(*project_);
    } catch (const std::exception& e) {
        stack_.Clear();
        project_ = NewProject();
        fileName_ = kNewFileName;
        named_ = false;
        EndProgress();
        ShowErrorFmt("%0:s in File:\n%1:s", {std::string(e.what()), fileName});
        return false;
    }
    EndProgress();
    named_ = true;
    Recaption();
    return true;
}

bool TDocument::Save() {
    if (!named_) return SaveAs();
    try {
        files::SaveProject(fileName_, *project_);
        project_->SetFileName(fileName_);
        // The project file does not keep the links' courses: the geometry file beside it does.
        modelio::SaveLinkGeometries(*project_, fileName_);
    } catch (const std::exception& e) {
        EndProgress();
        GetLogger("ui.document").Error("saving %s: %s", {fileName_, e.what()});
        if (IsWriteFailure(e))
            ShowErrorFmt("Error %0:s Writing File:\n%1:s", {std::string(e.what()), fileName_});
        else
            ShowError("Unknown error");
        return false;
    }
    EndProgress();
    stack_.Clear();
    return true;
}

bool TDocument::SaveAs() {
    if (!saveAsDialog) return false;
    std::string dir, base;
    if (named_) {
        dir = fs::path(fileName_).parent_path().string();
        base = fs::path(fileName_).stem().string();
    }
    const std::string chosen = saveAsDialog(dir, base);
    if (chosen.empty()) return false;
    const std::string oldName = fileName_;
    const bool oldNamed = named_;
    SetFileName(chosen);
    named_ = true;
    if (!Save()) {
        fileName_ = oldName;
        named_ = oldNamed;
        return false;
    }
    Recaption();
    return true;
}

bool TDocument::CanClose() {
    if (!Modified()) return true;
    const std::string name = fs::path(fileName_).filename().string();
    switch (AskUser("Save changes to " + name + "?", mbYesNoCancel)) {
    case mrYes:
        return Save();
    case mrNo:
        return true;
    default:
        return false;
    }
}

void TDocument::AddView(TDocumentView* view) {
    view->document_ = this;
    views_.push_back(view);
    Recaption();
}

bool TDocument::RemoveView(TDocumentView* view) {
    std::erase(views_, view);
    view->document_ = nullptr;
    Recaption();
    return views_.empty();
}

std::string TDocument::Caption(std::size_t position) const {
    return fs::path(fileName_).filename().string() + ":" + std::to_string(position + 1);
}

void TDocument::RefreshViews() {
    for (TDocumentView* v : views_)
        v->RefreshView();
}

void TDocument::Recaption() {
    for (std::size_t i = 0; i < views_.size(); ++i)
        views_[i]->SetCaption(Caption(i));
}

} // namespace zep::shell
