// The DXF reader for background drawings: the lines and polylines of a drawing's ENTITIES section
// into a geometry model, one entity per layer of the drawing.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/OrvParse.h"
#include "view/Canvas.h"
#include "view/ORVGeomModels.h"

namespace zep::view {

/// The colour of a DXF colour number (group code 62), clamped to -1..15.
TColor DXFColor(int colorNumber);

/// A DXF number: blanks around it and every "," (a thousands separator) ignored, "." as the
/// decimal point whatever the locale; anything that is not a finite number reads as 0.
double DXFNumber(std::string_view text);

/// Reads DXF text (group code and value on alternate lines, LF or CR LF line ends, blanks around
/// codes allowed) into a model. LINE entities become two-point polylines with their colour;
/// POLYLINE entities take the points of their VERTEX records, LWPOLYLINE entities their repeated
/// 10/20 pairs; bit 0 of group 70 closes either. Entities on no layer go to layer "0". Blocks
/// and every other kind of entity are skipped. Malformed text raises EParseException
/// "(line:column): message" at the offending pair.
class TDXFParser : public TParser {
public:
    /// Fills `model`, which the caller keeps; a new model of the parser's own when null.
    explicit TDXFParser(TModel* model = nullptr);

    /// Reads the text (which the caller keeps unchanged until Parse returns).
    void Parse(std::string_view text);

    TModel& Model() const { return *model_; }
    /// How many entities of each kind the ENTITIES section held (VERTEX records included).
    const std::map<std::string, std::size_t>& EntityCounts() const { return counts_; }

private:
    void Next();
    bool At(int code, std::string_view value) const { return code_ == code && value_ == value; }
    /// Skips the pairs after the current one up to the next pair with code 0 or 9.
    void SkipPairs();
    void ExpectCode(int code, std::string_view what);
    void ExpectPair(int code, std::string_view value);
    [[noreturn]] void Fail(std::string_view message);
    /// Reads the coordinate starting at the current pair (code 10..19) and moves past it.
    TPoint3 ReadCoordinate();

    void ReadHeader();
    void ReadTables();
    void ReadClasses();
    void ReadBlocks();
    void ReadEntities();
    void ReadPolyLine(bool lightweight);
    void ReadLine();

    std::unique_ptr<TModel> ownModel_;
    TModel* model_;
    int code_ = -1;
    std::string value_;
    bool finished_ = false; // the input has no further pair
    const char* pairStart_ = nullptr;
    std::map<std::string, std::size_t> counts_;
};

} // namespace zep::view
