#include "view/BackgroundFiles.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "foundation/Exception.h"
#include "foundation/Format.h"
#include "foundation/Stream.h"
#include "view/OrvDXF.h"
#include "view/ViewSettings.h"

namespace zep::view {

TAbstractBackgroundFile::TAbstractBackgroundFile(std::string path) : path_(std::move(path)) {
    model_.SetName(path_);
}

void TAbstractBackgroundFile::Load() {
    std::error_code ec;
    if (loaded_ || !Visible() || !std::filesystem::exists(path_, ec)) return;
    model_.Clear();
    try {
        TFileStream in(path_, FileMode::OpenRead);
        Read(in.ReadAll(), model_);
    } catch (...) {
        // Half a drawing would look like the whole one.
        model_.Clear();
        throw;
    }
    loaded_ = true;
}

void TAbstractBackgroundFile::Unload() {
    model_.Clear();
    loaded_ = false;
}

TExtent TAbstractBackgroundFile::Extent() const {
    return loaded_ ? model_.Extent() : TExtent{};
}

void TAbstractBackgroundFile::Draw(ICanvas& canvas, unsigned mode,
                                   const TPointTransform& transform) const {
    if (!loaded_ || !Visible()) return;
    const TPen saved = canvas.Pen();
    TPen pen = saved;
    pen.color = color_;
    canvas.SetPen(pen);
    model_.Draw(canvas, mode, transform);
    canvas.SetPen(saved);
}

void TDXFBackgroundFile::Read(const std::string& bytes, TModel& model) {
    TDXFParser parser(&model);
    parser.Parse(bytes);
}

std::unique_ptr<TAbstractBackgroundFile>
TBackgroundFileManager::CreateFile(const std::string& path) {
    const std::string ext = std::filesystem::path(path).extension().string();
    if (SameText(ext, ".dxf")) return std::make_unique<TDXFBackgroundFile>(path);
    throw Exception(Format("\"%s\" is not a supported file extension", {ext}));
}

TAbstractBackgroundFile& TBackgroundFileManager::AddFile(const std::string& path) {
    files_.push_back(CreateFile(path));
    return *files_.back();
}

void TBackgroundFileManager::Remove(std::size_t i) {
    if (i < files_.size()) files_.erase(files_.begin() + static_cast<std::ptrdiff_t>(i));
}

void TBackgroundFileManager::Move(std::size_t from, std::size_t to) {
    if (from >= files_.size() || to >= files_.size() || from == to) return;
    auto file = std::move(files_[from]);
    files_.erase(files_.begin() + static_cast<std::ptrdiff_t>(from));
    files_.insert(files_.begin() + static_cast<std::ptrdiff_t>(to), std::move(file));
}

void TBackgroundFileManager::LoadAll() {
    std::exception_ptr first;
    for (const auto& f : files_) {
        try {
            f->Load();
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    if (first) std::rethrow_exception(first);
}

void TBackgroundFileManager::DrawAll(ICanvas& canvas, unsigned mode,
                                     const TPointTransform& transform) const {
    const TBrush saved = canvas.Brush();
    TBrush hollow = saved;
    hollow.clear = true;
    canvas.SetBrush(hollow);
    for (const auto& f : files_)
        f->Draw(canvas, mode, transform);
    canvas.SetBrush(saved);
}

TExtent TBackgroundFileManager::Extent() const {
    TExtent e;
    for (const auto& f : files_)
        e.Add(f->Extent());
    return e;
}

void TBackgroundFileManager::Save(TViewSettings& settings) const {
    settings.EraseSection(kSection);
    for (const auto& f : files_)
        if (f->LoadAutomatically())
            settings.WriteInteger(kSection, f->Path(), static_cast<int>(f->Color()));
}

void TBackgroundFileManager::Load(const TViewSettings& settings) {
    files_.clear();
    for (const std::string& path : settings.Keys(kSection)) {
        std::unique_ptr<TAbstractBackgroundFile> f;
        try {
            f = CreateFile(path);
        } catch (const Exception&) {
            continue;
        }
        f->SetLoadAutomatically(true);
        f->SetVisible(true);
        f->SetColor(static_cast<TColor>(settings.ReadInteger(kSection, path, 0)));
        files_.push_back(std::move(f));
    }
    LoadAll();
}

} // namespace zep::view
