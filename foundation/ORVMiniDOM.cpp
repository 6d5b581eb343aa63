#include "foundation/ORVMiniDOM.h"

#include "foundation/ORVXML.h"
#include "foundation/ORVXMLParser.h"

namespace zep::minidom {

void TTextNode::Write(std::string& out, std::string_view indent) const {
    out += indent;
    AppendXMLEscaped(out, text_);
    out += "\r\n";
}

const TAttribute* TElement::FindAttribute(std::string_view name) const {
    for (const auto& a : attributes_)
        if (a->Name() == name) return a.get();
    return nullptr;
}

std::string TElement::AttributeValue(std::string_view name, std::string_view fallback) const {
    const TAttribute* a = FindAttribute(name);
    return a ? a->Value() : std::string(fallback);
}

void TElement::AddAttribute(std::unique_ptr<TAttribute> attribute) {
    attributes_.push_back(std::move(attribute));
}

void TElement::AddChild(std::unique_ptr<TNode> child) {
    children_.push_back(std::move(child));
}

const TElement* TElement::FindElement(std::string_view name) const {
    for (const auto& c : children_)
        if (const auto* e = dynamic_cast<const TElement*>(c.get()); e && e->Name() == name)
            return e;
    return nullptr;
}

std::string TElement::Text() const {
    std::string s;
    for (const auto& c : children_)
        if (const auto* t = dynamic_cast<const TTextNode*>(c.get())) s += t->Text();
    return s;
}

TElement::~TElement() {
    std::vector<std::unique_ptr<TNode>> pending = std::move(children_);
    while (!pending.empty()) {
        std::unique_ptr<TNode> node = std::move(pending.back());
        pending.pop_back();
        if (auto* e = dynamic_cast<TElement*>(node.get())) {
            for (auto& c : e->children_)
                pending.push_back(std::move(c));
            e->children_.clear();
        }
    }
}

namespace {
void WriteStartTag(std::string& out, const TElement& e, std::string_view indent) {
    out += indent;
    out += '<';
    out += e.Name();
    for (const auto& a : e.Attributes()) {
        // Escaped, unlike the attribute's text form: a value holding a quote, "<" or "&"
        // written as it is would make the file unreadable.
        out += ' ';
        out += a->Name();
        out += "=\"";
        AppendXMLEscaped(out, a->Value());
        out += '"';
    }
    out += e.Children().empty() ? " />\r\n" : ">\r\n";
}

void WriteEndTag(std::string& out, const TElement& e, std::string_view indent) {
    out += indent;
    out += "</";
    out += e.Name();
    out += ">\r\n";
}
} // namespace

void TElement::Write(std::string& out, std::string_view indent) const {
    struct Open {
        const TElement* element;
        std::size_t next; // the child to write next
    };
    std::vector<Open> open;
    std::string pad(indent);
    WriteStartTag(out, *this, pad);
    if (children_.empty()) return;
    open.push_back({this, 0});
    pad += "  "; // from here on: the indentation of the children of the innermost open element
    while (!open.empty()) {
        Open& top = open.back();
        if (top.next == top.element->children_.size()) {
            pad.resize(pad.size() - 2);
            WriteEndTag(out, *top.element, pad);
            open.pop_back();
            continue;
        }
        const TNode* child = top.element->children_[top.next++].get();
        const auto* e = dynamic_cast<const TElement*>(child);
        if (!e) {
            child->Write(out, pad);
            continue;
        }
        WriteStartTag(out, *e, pad);
        if (!e->children_.empty()) {
            open.push_back({e, 0});
            pad += "  ";
        }
    }
}

std::string TDocument::AsString() const {
    std::string out;
    if (root_) root_->Write(out, "");
    return out;
}

void TDocument::SaveToStream(TStream& stream) const {
    stream.WriteString(AsString());
}

std::unique_ptr<TElement> TNodeFactory::CreateElement(std::string_view name, int line, int column) {
    return std::make_unique<TElement>(std::string(name), line, column);
}

std::unique_ptr<TTextNode> TNodeFactory::CreateTextNode(std::string_view text, int line,
                                                        int column) {
    return std::make_unique<TTextNode>(std::string(text), line, column);
}

std::unique_ptr<TAttribute>
TNodeFactory::CreateAttribute(std::string_view name, std::string_view value, int line, int column) {
    return std::make_unique<TAttribute>(std::string(name), std::string(value), line, column);
}

TSAXtoDOMHandler::TSAXtoDOMHandler(TDocument& document, TNodeFactory* factory)
    : document_(document), factory_(factory ? factory : &defaultFactory_) {}

void TSAXtoDOMHandler::startElement(std::string_view name, const TAttributeList& attributes) {
    const int line = Line();
    const int column = Column();
    std::unique_ptr<TElement> element = factory_->CreateElement(name, line, column);
    for (std::size_t i = 0; i < attributes.getLength(); ++i)
        element->AddAttribute(
            factory_->CreateAttribute(attributes.getName(i), attributes.getValue(i), line, column));
    TElement* raw = element.get();
    if (open_.empty()) {
        document_.SetRoot(std::move(element));
    } else {
        open_.back()->AddChild(std::move(element));
    }
    open_.push_back(raw);
}

void TSAXtoDOMHandler::endElement(std::string_view) {
    if (!open_.empty()) open_.pop_back();
}

void TSAXtoDOMHandler::characters(std::string_view text, std::size_t start, std::size_t length) {
    if (length == 0 || open_.empty()) return;
    open_.back()->AddChild(factory_->CreateTextNode(text.substr(start, length), Line(), Column()));
}

std::unique_ptr<TDocument> ParseMiniDom(TInputSource& source, TNodeFactory* factory) {
    auto document = std::make_unique<TDocument>();
    TSAXtoDOMHandler handler(*document, factory);
    TXMLParser parser;
    parser.setDocumentHandler(&handler);
    try {
        parser.parse(source);
    } catch (const SAXParseException&) {
        throw;
    } catch (const EParseException& e) {
        throw SAXParseException(e.Text(), parser.PublicId(), parser.SystemId(), parser.Line(),
                                parser.Column());
    } catch (const std::exception& e) {
        throw SAXParseException(e.what(), parser.PublicId(), parser.SystemId(), parser.Line(),
                                parser.Column());
    }
    return document;
}

std::unique_ptr<TDocument> ParseMiniDomStream(TStream& stream, TNodeFactory* factory) {
    TInputSource source(stream);
    return ParseMiniDom(source, factory);
}

std::unique_ptr<TDocument> ParseMiniDomString(const std::string& text, TNodeFactory* factory) {
    TReadOnlyMemoryStream stream(text.data(), text.size());
    return ParseMiniDomStream(stream, factory);
}

} // namespace zep::minidom
