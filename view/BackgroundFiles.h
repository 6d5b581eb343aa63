// The drawings shown behind the network: one file each, in drawing order, remembered in the
// project's view settings.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "view/Canvas.h"
#include "view/ORVGeomModels.h"

namespace zep::view {

class TViewSettings;

/// One background drawing: its path, its model (named with the path) and how it is shown.
class TAbstractBackgroundFile {
public:
    explicit TAbstractBackgroundFile(std::string path);
    virtual ~TAbstractBackgroundFile() = default;
    TAbstractBackgroundFile(const TAbstractBackgroundFile&) = delete;
    TAbstractBackgroundFile& operator=(const TAbstractBackgroundFile&) = delete;

    const std::string& Path() const { return path_; }
    const TModel& Model() const { return model_; }
    /// The pen colour the drawing is drawn with (entities with colours of their own keep them
    /// unless the drawing mode says otherwise).
    TColor Color() const { return color_; }
    void SetColor(TColor color) { color_ = color; }
    bool Visible() const { return model_.Visible(); }
    void SetVisible(bool visible) { model_.SetVisible(visible); }
    bool LoadAutomatically() const { return loadAutomatically_; }
    void SetLoadAutomatically(bool on) { loadAutomatically_ = on; }
    bool Loaded() const { return loaded_; }

    /// Reads the file when it exists, the drawing is visible and not yet loaded; the model is
    /// cleared first. A file that does not exist is silently left unloaded. A file that cannot
    /// be read or parsed raises its error and leaves the model empty and unloaded.
    void Load();
    /// Empties the model; the next Load reads the file again.
    void Unload();
    /// The model's extent; empty when not loaded.
    TExtent Extent() const;
    /// Draws the loaded, visible drawing with its colour; the caller's pen is restored.
    void Draw(ICanvas& canvas, unsigned mode, const TPointTransform& transform) const;

protected:
    /// Fills the model from the file's bytes.
    virtual void Read(const std::string& bytes, TModel& model) = 0;

private:
    std::string path_;
    TModel model_;
    TColor color_ = 0;
    bool loaded_ = false;
    bool loadAutomatically_ = false;
};

/// A DXF drawing.
class TDXFBackgroundFile : public TAbstractBackgroundFile {
public:
    using TAbstractBackgroundFile::TAbstractBackgroundFile;

protected:
    void Read(const std::string& bytes, TModel& model) override;
};

/// The project's background drawings in drawing order.
class TBackgroundFileManager {
public:
    /// The settings section the list is kept in.
    static constexpr const char* kSection = "BackgroundFileManager";

    /// A background file of the kind its extension names (".dxf", in any letter case); raises
    /// zep::Exception "\"<extension>\" is not a supported file extension" otherwise.
    static std::unique_ptr<TAbstractBackgroundFile> CreateFile(const std::string& path);
    /// Appends a file for the path (not loaded yet), raising as CreateFile does.
    TAbstractBackgroundFile& AddFile(const std::string& path);

    std::size_t Count() const { return files_.size(); }
    TAbstractBackgroundFile& File(std::size_t i) const { return *files_.at(i); }
    void Remove(std::size_t i);
    /// Moves file `from` to position `to` (the dialog's move up and move down).
    void Move(std::size_t from, std::size_t to);
    void Clear() { files_.clear(); }

    /// Loads every file that is visible and not yet loaded. A file that fails does not keep the
    /// others from loading; the first failure is raised once all have been tried.
    void LoadAll();
    /// Draws every file in order, outlines only (closed shapes are not filled).
    void DrawAll(ICanvas& canvas, unsigned mode, const TPointTransform& transform) const;
    /// The union of the loaded files' extents.
    TExtent Extent() const;

    /// Replaces the section with one key per file marked to load automatically: its path, with
    /// its colour as an integer.
    void Save(TViewSettings& settings) const;
    /// Replaces the list with the section's files (load automatically, visible, colour from the
    /// value, default 0) and loads them. Keys naming an unsupported kind of file are skipped:
    /// Save never writes them, only a hand-edited file can hold them.
    void Load(const TViewSettings& settings);

private:
    std::vector<std::unique_ptr<TAbstractBackgroundFile>> files_;
};

} // namespace zep::view
