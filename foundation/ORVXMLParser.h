// The XML parser: reads a whole document into memory and sends its content, in order, to the
// document handler. Covers elements, attributes, character data, CDATA, comments, processing
// instructions, the XML declaration and a document type without markup declarations.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "foundation/ORVSAX.h"
#include "foundation/OrvParse.h"

namespace zep {

class TXMLParser;

/// Answers the place of a running parser.
class TLocatorProxy : public TLocator {
public:
    explicit TLocatorProxy(const TXMLParser& parser) : parser_(parser) {}
    int getLineNumber() const override;
    int getColumnNumber() const override;
    std::string getPublicId() const override;
    std::string getSystemId() const override;

private:
    const TXMLParser& parser_;
};

/// The parser. Scanner errors raise EParseException; grammar errors go to the error handler's
/// `error` as SAXParseException, and the parse goes on if the handler returns. Reusable: every
/// parse starts afresh. Handlers are not owned; nullptr restores the default.
class TXMLParser : public TParser {
public:
    TXMLParser();

    void setEntityResolver(IEntityResolver* resolver);
    void setDTDHandler(IDTDHandler* handler);
    void setDocumentHandler(IDocumentHandler* handler);
    void setErrorHandler(IErrorHandler* handler);

    void parse(TInputSource& source);
    /// Lets the entity resolver turn `systemId` into an input source, then parses it.
    void parse(const std::string& systemId);

    const std::string& PublicId() const { return publicId_; }
    const std::string& SystemId() const { return systemId_; }
    const TLocator& Locator() const { return locator_; }

protected:
    void Progress(std::size_t position, std::size_t length) override;
    /// Decodes the reference at the current "&" onto `out`.
    void Reference(std::string& out);

private:
    /// Sends a grammar error through the error handler.
    void SaxError(const std::string& text);
    void Document();
    void XmlDeclaration();
    void Misc();
    void DocType();
    void SystemLiteral();
    void PublicLiteral();
    void Comment();
    void ProcessingInstruction();
    void CData();
    void Element();
    void StartTag(std::string_view& name, bool& empty);
    void Attribute(TAttributeList& attributes);
    void CharData();
    /// Decodes [p_, stop) onto `out` (references replaced); leaves p_ at `stop`.
    void Decode(std::string& out, const char* stop);
    std::string_view QuoteText(char quote) const { return {quote == '"' ? "\"" : "'", 1}; }

    THandlerBase defaultHandler_;
    IEntityResolver* entityResolver_;
    IDTDHandler* dtdHandler_;
    IDocumentHandler* documentHandler_;
    IErrorHandler* errorHandler_;
    TLocatorProxy locator_;
    std::string publicId_;
    std::string systemId_;
    TAttributeListPool attributePool_;
    std::vector<std::string_view> open_;
    std::string scratch_;
};

} // namespace zep
