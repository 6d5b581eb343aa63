// A document: one open study with its undo history and the windows showing it. Free of
// widgets, so that the start-up rules, saving and closing can be driven from tests.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "undo/CMDStk_.h"

namespace zep::model {
class TProject;
}

namespace zep::shell {

class TDocument;

/// A window showing a document (the network window). The document numbers its views and
/// gives each its caption.
class TDocumentView {
public:
    virtual ~TDocumentView() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    /// Shows the study again after it changed as a whole (a load, a save under a new name).
    virtual void RefreshView() = 0;
    TDocument* Document() const { return document_; }

private:
    friend class TDocument;
    TDocument* document_ = nullptr;
};

/// Resolves a name given without an extension: NAME.zpz, or NAME.zep when the .zpz does not
/// exist and the directory does. Names with an extension are returned unchanged.
std::string ResolveOpenName(const std::string& name);

/// One open study. Owns the project and its command stack; the views are the windows' and
/// only referenced.
class TDocument {
public:
    static constexpr const char* kNewFileName = "<new>.ZEP";

    /// A new document with a new project ("NEW", "A New Project").
    TDocument();
    virtual ~TDocument();
    TDocument(const TDocument&) = delete;
    TDocument& operator=(const TDocument&) = delete;

    model::TProject& Project() const { return *project_; }
    undo::TCommandStack& CommandStack() { return stack_; }
    const std::string& FileName() const { return fileName_; }
    /// Sets the name; a name without an extension gets ".zpz".
    void SetFileName(const std::string& name);
    bool Named() const { return named_; }
    /// The project is not read-only and the command stack holds a command.
    bool Modified() const;

    /// Reads the study (native, model or XML file), then attaches link geometries. A failure
    /// shows "%0:s in File:\n%1:s" and answers false; the document then holds a new project.
    bool Open(const std::string& fileName);
    /// Saves under the name (Save As when unnamed). Failures are shown, not raised: the file on
    /// disk and the command stack stay as they were. True when the file was written.
    bool Save();
    /// Asks a name (see saveAsDialog), then saves under it; false on cancel or failure, and the
    /// name stays what it was when the save failed.
    bool SaveAs();
    /// Asks "Save changes to NAME?" when modified: Yes saves (true only when saved), No true,
    /// Cancel false.
    bool CanClose();

    /// Called by SaveAs with the directory and base name to start with (both empty for an
    /// unnamed document); answers the chosen file or "" for cancel. Set by the main window;
    /// without it Save As cannot proceed.
    std::function<std::string(const std::string& directory, const std::string& baseName)>
        saveAsDialog;

    // ---- views ----------------------------------------------------------------------------
    /// Adds a view at the end and captions every view.
    void AddView(TDocumentView* view);
    /// Removes the view and renumbers the others; answers true when it was the last one.
    bool RemoveView(TDocumentView* view);
    const std::vector<TDocumentView*>& Views() const { return views_; }
    /// "NAME:n" for the view at position n - 1.
    std::string Caption(std::size_t position) const;
    void RefreshViews();

private:
    void Recaption();

    std::string fileName_ = kNewFileName;
    bool named_ = false;
    std::unique_ptr<model::TProject> project_;
    undo::TCommandStack stack_;
    std::vector<TDocumentView*> views_;
};

/// The document kind of the application (the study's own file forms).
class TZEPDocument : public TDocument {
public:
    using TDocument::TDocument;
};

} // namespace zep::shell
