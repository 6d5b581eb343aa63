// The class table of the native file: every class carries the version of the layout written
// (lists 2, zones 4 and their transport kinds 2, links 4, sector interactions 2, everything else
// 0, the project 1 only when it holds values of its own per scenario), and files whose table
// says otherwise, as earlier builds wrote them, still open.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "files/PrjFile.h"
#include "files/STREAM_.h"
#include "foundation/Stream.h"
#include "model/Attractors.h"
#include "model/Project.h"
#include "model/SampleStudy.h"
#include "model/StudyText.h"

namespace zep::files {
namespace {

using namespace zep::model;

/// The class table of an uncompressed project image: name -> version.
std::map<std::string, std::uint16_t> ClassTable(const std::string& image) {
    std::map<std::string, std::uint16_t> table;
    std::size_t at = 6 + 4; // version header, signature
    auto u16 = [&](std::size_t pos) {
        return static_cast<std::uint16_t>(static_cast<unsigned char>(image.at(pos)) |
                                          static_cast<unsigned char>(image.at(pos + 1)) << 8);
    };
    const std::uint16_t count = u16(at);
    at += 2;
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::size_t length = static_cast<unsigned char>(image.at(at));
        std::string name = image.substr(at + 1, length);
        at += 1 + length;
        EXPECT_EQ(u16(at + 2), 0) << name; // the 16-bit zero after each version
        EXPECT_TRUE(table.emplace(name, u16(at)).second) << name << " listed twice";
        at += 4;
    }
    return table;
}

std::string Image(TProject& p, const TStreamClassTable& table = TStreamClassTable::Global()) {
    TMemoryStream out;
    if (&table == &TStreamClassTable::Global()) {
        StoreProject(out, p);
        return out.Data();
    }
    // An earlier build's table: the same bodies, other versions in the class table.
    const TFileVersion v = PrepareStore(p);
    const std::uint16_t header[3] = {v.major, v.minor, v.release};
    out.WriteBuffer(header, sizeof header);
    TObjectWriter(table).StoreStream(out, p);
    return out.Data();
}

std::unique_ptr<TProject> Load(const std::string& image) {
    auto p = std::make_unique<TProject>();
    TMemoryStream in(image);
    LoadProject(in, *p, "study.zep");
    return p;
}

class PrjClassVersions : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterModelStreamClasses(); }
};

TEST_F(PrjClassVersions, EveryWrittenClassCarriesItsLayoutVersion) {
    TProject study;
    BuildSampleStudy(study);
    const auto table = ClassTable(Image(study));
    const std::map<std::string, std::uint16_t> expected = {
        {"TPersistentList", 2}, {"TTransportZone", 2}, {"TMicroZone", 2},
        {"TZone", 4},           {"TLink", 4},          {"TSectorInteraction", 2}};
    for (const auto& [name, version] : expected) {
        ASSERT_TRUE(table.count(name)) << name << " missing from the class table";
        EXPECT_EQ(table.at(name), version) << name;
    }
    for (const auto& [name, version] : table) {
        if (!expected.count(name)) {
            EXPECT_EQ(version, 0) << name;
        }
    }
    EXPECT_TRUE(table.count("TExternalZone") && table.count("TAttractionFunction") &&
                table.count("TSectorCategory") && table.count("TMacroZone"))
        << "the sample study no longer holds every kind";
}

TEST_F(PrjClassVersions, FilesOfEarlierTablesStillOpen) {
    TProject study;
    BuildSampleStudy(study);
    auto current = Load(Image(study));
    // Earlier builds wrote the list layout as version 0.
    auto earlier = TStreamClassTable::Global().Clone();
    TStreamClass list = *earlier->Find("TPersistentList");
    list.version = 0;
    earlier->Register(list);
    const std::string old = Image(study, *earlier);
    EXPECT_EQ(ClassTable(old).at("TPersistentList"), 0);
    auto reread = Load(old);
    EXPECT_EQ(StudyText(*reread), StudyText(*current));
}

} // namespace
} // namespace zep::files
