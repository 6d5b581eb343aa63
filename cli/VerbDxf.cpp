// zep-cli dxf FILE: what the map would show of a DXF drawing used as a background.
#include <charconv>
#include <cstdio>
#include <functional>

#include "cli/Verbs.h"
#include "foundation/Stream.h"
#include "view/OrvDXF.h"

namespace zep::cli {
namespace {

std::string Number(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

int Dxf(const std::vector<std::string>& args) {
    ArgReader a(args, {});
    a.ExpectPositional(1, 1, "dxf FILE");
    const std::string path = a.Positional()[0];
    TFileStream in(path, FileMode::OpenRead);
    const std::string text = in.ReadAll();
    view::TDXFParser parser;
    try {
        parser.Parse(text);
    } catch (const EParseException& e) {
        throw Exception(path + e.Message()); // "file(line:column): message"
    }
    const view::TModel& model = parser.Model();

    std::size_t polylines = 0, points = 0;
    std::function<void(const view::TAbstractEntity&)> count = [&](const view::TAbstractEntity& e) {
        if (dynamic_cast<const view::TPolyLine*>(&e)) {
            ++polylines;
            points += e.PointCount();
        }
        for (std::size_t i = 0; i < e.ChildCount(); ++i)
            count(e.Child(i));
    };
    for (const auto& [name, layer] : model.Layers())
        count(*layer);

    std::printf("layers: %zu\npolylines: %zu\npoints: %zu\n", model.LayerCount(), polylines,
                points);
    for (const auto& [kind, n] : parser.EntityCounts())
        std::printf("entities.%s: %zu\n", kind.c_str(), n);
    const view::TExtent e = model.Extent();
    if (e.empty)
        std::printf("extent: none\n");
    else
        std::printf("extent: %s,%s,%s,%s\n", Number(e.min.x).c_str(), Number(e.min.y).c_str(),
                    Number(e.max.x).c_str(), Number(e.max.y).c_str());
    return 0;
}

VerbRegistrar reg(80,
                  {"dxf", "FILE", "read a DXF drawing as a map background and count it", Dxf,
                   "Reads the lines and polylines of the drawing's ENTITIES section as the map\n"
                   "shows them behind the network (blocks are not expanded). Prints:\n"
                   "  layers      layers holding what was read\n"
                   "  polylines   lines and polylines read\n"
                   "  points      their points\n"
                   "  entities.K  how many entities of kind K the section holds, by kind\n"
                   "  extent      x1,y1,x2,y2 of what was read (none when nothing)\n"
                   "Exit 1 with the reader's message when the file cannot be read.\n"});

} // namespace
} // namespace zep::cli
