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

std::int32_t NodeIdOf(const model::TNode* n) {
    return n ? n->Id() : 0;
}

/// The records of a geometry file; raises on a file that cannot be read or parsed.
std::vector<model::TPolylineRecord> ReadGeometryFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw EInOutError("Cannot open " + file);
    std::string line;
    std::vector<model::TPolylineRecord> records;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        model::TPolylineRecord r;
        if (model::ParsePolylineRecord(line, r)) records.push_back(std::move(r));
    }
    if (in.bad()) throw EInOutError("Cannot read " + file);
    return records;
}

/// Each record goes to the link from its tail to its head and, reversed, to the reverse link
/// unless that link has a record of its own. Answers the polylines set.
std::size_t ApplyGeometryRecords(model::TProject& project,
                                 const std::vector<model::TPolylineRecord>& records) {
    std::set<std::pair<std::int32_t, std::int32_t>> own;
    for (const auto& r : records)
        own.emplace(r.tail, r.head);
    std::size_t applied = 0;
    for (const auto& r : records) {
        model::TNode* tail = project.FindNode(r.tail);
        model::TNode* head = project.FindNode(r.head);
        if (!tail || !head) continue;
        if (model::TLink* link = project.FindLink(tail, head)) {
            link->Polyline().SetPoints(r.points);
            ++applied;
        }
        if (own.count({r.head, r.tail})) continue;
        if (model::TLink* reverse = project.FindLink(head, tail)) {
            reverse->Polyline().SetPoints(model::TPoint3Vector(r.points.rbegin(), r.points.rend()));
            ++applied;
        }
    }
    return applied;
}

/// The geometry files looked for, in order: the study-wide input file name with "ply", then the
/// project file's name with ".ply".
std::vector<std::string> GeometryFileCandidates(const model::TProject& project) {
    std::vector<std::string> names;
    try {
        names.push_back(modelio::InputFileName(project, nullptr, "", false, "ply"));
    } catch (const std::exception&) {
        // A project name the input files cannot be named after has no such file.
    }
    names.push_back(fs::path(project.FileName()).replace_extension(".ply").string());
    return names;
}

} // namespace

TGeometryAttachResult AttachLinkGeometries(model::TProject& project) {
    TGeometryAttachResult result;
    std::vector<model::TPolylineRecord> records;
    model::TLinkList& links = project.Links();
    for (std::size_t i = 0; i < links.Count(); ++i) {
        model::TLink* link = links.Get(i);
        const std::string text = link->GetValue(model::TLink::kPolypoints).ToString();
        if (text.empty()) continue;
        try {
            model::TPolylineRecord r;
            if (!model::ParsePolylineRecord(text, r)) continue;
            // The record names the link it came from, whatever its text says.
            r.tail = NodeIdOf(link->Tail());
            r.head = NodeIdOf(link->Head());
            records.push_back(std::move(r));
        } catch (const std::exception& e) {
            GetLogger("ui.document").Warning("link %s: %s", {link->KeyText(), e.what()});
        }
    }
    result.fromProperties = records.size();
    if (records.empty() && !project.FileName().empty()) {
        for (const std::string& name : GeometryFileCandidates(project)) {
            std::error_code ec;
            if (!fs::is_regular_file(name, ec)) continue;
            result.file = name;
            try {
                records = ReadGeometryFile(name);
            } catch (const std::exception& e) {
                GetLogger("ui.document").Warning("%s: %s", {name, e.what()});
                ShowError("Polylines cound not be loaded");
            }
            break;
        }
    }
    const std::size_t applied = ApplyGeometryRecords(project, records);
    if (result.fromProperties == 0) result.fromFile = applied;
    return result;
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
        AttachLinkGeometries(*project_);
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
    // The native file does not keep "polypoints": the geometry also goes to the study's
    // geometry file, which the next open reads when no link holds a record.
    model::TLinkList& links = project_->Links();
    files::TTextLines geometry;
    for (std::size_t i = 0; i < links.Count(); ++i) {
        model::TLink* link = links.Get(i);
        if (link->Polyline().IsEmpty()) continue;
        const std::string record = model::PolylineRecordText(
            NodeIdOf(link->Tail()), NodeIdOf(link->Head()), link->Polyline());
        link->RawProperties().RawPut(model::TLink::kPolypoints, model::TValue(record));
        geometry.push_back(record);
    }
    try {
        files::SaveProject(fileName_, *project_);
        project_->SetFileName(fileName_);
        const std::string plyName = GeometryFileCandidates(*project_).front();
        std::error_code ec;
        if (!geometry.empty() || fs::exists(plyName, ec))
            files::SaveTextLines(plyName, geometry, true);
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
