// A small object tree built from parser events: elements with attributes, text and child
// elements, each remembering where in the document it was read.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/ORVSAX.h"
#include "foundation/Stream.h"

// The tree's own namespace: its TNode, TElement and TDocument are not the network node or the
// shell's documents.
namespace zep::minidom {

/// Base of every tree item: the line and column the parser had reached when it was made.
class TMiniDomObject {
public:
    TMiniDomObject(int line, int column) : line_(line), column_(column) {}
    virtual ~TMiniDomObject() = default;
    int Line() const { return line_; }
    int Column() const { return column_; }

private:
    int line_;
    int column_;
};

class TAttribute : public TMiniDomObject {
public:
    TAttribute(std::string name, std::string value, int line = 0, int column = 0)
        : TMiniDomObject(line, column), name_(std::move(name)), value_(std::move(value)) {}
    const std::string& Name() const { return name_; }
    const std::string& Value() const { return value_; }
    /// name="value", as given (not escaped).
    std::string Text() const { return name_ + "=\"" + value_ + "\""; }

private:
    std::string name_;
    std::string value_;
};

/// A node of the tree (not a network node).
class TNode : public TMiniDomObject {
public:
    using TMiniDomObject::TMiniDomObject;
    /// Appends the node's XML form at `indent`, ending with CR LF.
    virtual void Write(std::string& out, std::string_view indent) const = 0;
};

class TTextNode : public TNode {
public:
    TTextNode(std::string text, int line = 0, int column = 0)
        : TNode(line, column), text_(std::move(text)) {}
    const std::string& Text() const { return text_; }
    void Write(std::string& out, std::string_view indent) const override;

private:
    std::string text_;
};

class TElement : public TNode {
public:
    explicit TElement(std::string name, int line = 0, int column = 0)
        : TNode(line, column), name_(std::move(name)) {}
    /// Frees the subtree without recursing once per level: documents may nest deeply.
    ~TElement() override;
    const std::string& Name() const { return name_; }

    const std::vector<std::unique_ptr<TAttribute>>& Attributes() const { return attributes_; }
    /// The attribute called `name`, or nullptr.
    const TAttribute* FindAttribute(std::string_view name) const;
    /// The value of attribute `name`, `fallback` when absent.
    std::string AttributeValue(std::string_view name, std::string_view fallback = {}) const;
    void AddAttribute(std::unique_ptr<TAttribute> attribute);

    const std::vector<std::unique_ptr<TNode>>& Children() const { return children_; }
    void AddChild(std::unique_ptr<TNode> child);
    /// The first child element called `name`, or nullptr.
    const TElement* FindElement(std::string_view name) const;
    /// The text of all text children, concatenated.
    std::string Text() const;

    /// Writes the subtree; descendant elements are walked here, without recursion.
    void Write(std::string& out, std::string_view indent) const override;

private:
    std::string name_;
    std::vector<std::unique_ptr<TAttribute>> attributes_;
    std::vector<std::unique_ptr<TNode>> children_;
};

/// The tree of one parsed text (not one of the shell's documents).
class TDocument : public TMiniDomObject {
public:
    TDocument() : TMiniDomObject(1, 1) {}
    TElement* Root() const { return root_.get(); }
    void SetRoot(std::unique_ptr<TElement> root) { root_ = std::move(root); }
    /// The root element written as XML with CR LF line ends (empty without a root).
    std::string AsString() const;
    void SaveToStream(TStream& stream) const;

private:
    std::unique_ptr<TElement> root_;
};

/// Makes the tree's items; derive to make richer elements.
class TNodeFactory {
public:
    virtual ~TNodeFactory() = default;
    virtual std::unique_ptr<TElement> CreateElement(std::string_view name, int line, int column);
    virtual std::unique_ptr<TTextNode> CreateTextNode(std::string_view text, int line, int column);
    virtual std::unique_ptr<TAttribute>
    CreateAttribute(std::string_view name, std::string_view value, int line, int column);
};

/// Builds a TDocument from parser events: each element becomes a child of the open one (the
/// first one the root), each non-empty run of characters a text node.
class TSAXtoDOMHandler : public THandlerBase {
public:
    explicit TSAXtoDOMHandler(TDocument& document, TNodeFactory* factory = nullptr);

    void setDocumentLocator(const TLocator* locator) override { locator_ = locator; }
    void startElement(std::string_view name, const TAttributeList& attributes) override;
    void endElement(std::string_view name) override;
    void characters(std::string_view text, std::size_t start, std::size_t length) override;

private:
    int Line() const { return locator_ ? locator_->getLineNumber() : 0; }
    int Column() const { return locator_ ? locator_->getColumnNumber() : 0; }

    TDocument& document_;
    TNodeFactory defaultFactory_;
    TNodeFactory* factory_;
    const TLocator* locator_ = nullptr;
    std::vector<TElement*> open_;
};

/// Parses a tree. Parse errors arrive as SAXParseException; any other failure while building
/// (scanner errors included) is raised again as a SAXParseException at the parser's place.
std::unique_ptr<TDocument> ParseMiniDom(TInputSource& source, TNodeFactory* factory = nullptr);
std::unique_ptr<TDocument> ParseMiniDomStream(TStream& stream, TNodeFactory* factory = nullptr);
std::unique_ptr<TDocument> ParseMiniDomString(const std::string& text,
                                              TNodeFactory* factory = nullptr);

} // namespace zep::minidom
