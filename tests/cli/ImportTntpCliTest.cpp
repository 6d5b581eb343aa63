// zep-cli import-tntp on files as the public collection writes them: the adaptations are listed
// on standard error, the study validates, and contradicting files fail with their line.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

struct Result {
    int status;
    std::string out;
};

Result RunZepCli(const std::string& args) {
    const std::string cmd = std::string(ZEP_BIN_DIR) + "/zep-cli " + args + " 2>&1";
    Result r{-1, {}};
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

class ImportTntpCli : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zep_tntpcli_XXXXXX").string();
        dir_ = ::mkdtemp(pattern.data());
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Write(const std::string& name, const std::string& text) {
        std::ofstream((dir_ / name).string(), std::ios::binary) << text;
        return (dir_ / name).string();
    }
    fs::path dir_;
};

TEST_F(ImportTntpCli, AdaptationsAreListedAndTheStudyValidates) {
    // No ";", CR LF, a comment in the data, a parallel pair and a node the metadata does not
    // announce.
    const std::string net = Write("x_net.tntp", "<NUMBER OF ZONES> 2\r\n<NUMBER OF NODES> 3\r\n"
                                                "<NUMBER OF LINKS> 9\r\n<END OF METADATA>\r\n"
                                                "1 3 900 2 1 0.15 4 0 0 1\r\n"
                                                "3 1 900 2 1 0.15 4 0 0 1\r\n"
                                                "~ the bypass\r\n"
                                                "1 3 400 3 3 0.15 4 0 0 1\r\n"
                                                "3 2 900 2 1 0.15 4 0 0 1\r\n"
                                                "2 3 900 2 1 0.15 4 0 0 1\r\n"
                                                "3 5 900 2 1 0.15 4 0 0 1\r\n"
                                                "5 3 900 2 1 0.15 4 0 0 1\r\n"
                                                "5 2 900 2 1 0.15 4 0 0 1\r\n"
                                                "2 5 900 2 1 0.15 4 0 0 1\r\n");
    const std::string nodes = Write("x_node.tntp", "node X Y ;\n1 0 0 ;\n2 20 0 ;\n3 10 0 ;\n"
                                                   "5 10 10 ;\n");
    const std::string trips = Write("x_trips.tntp", "<NUMBER OF ZONES> 2\n<END OF METADATA>\n"
                                                    "Origin 1\n 2 : 5\nOrigin 2\n 1 : 7\n");
    const std::string out = (dir_ / "x.zpz").string();
    Result r =
        RunZepCli("import-tntp " + net + " --nodes " + nodes + " --trips " + trips + " -o " + out);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("adapted: parallel links (each further one split by an added node at "
                         "its midpoint): 1, first at " +
                         net + ":8: a further link from node 1 to node 3\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("adapted: node numbers beyond <NUMBER OF NODES> (kept as the nodes' "
                         "numbers): 1, first at " +
                         net + ":11: node 5, <NUMBER OF NODES> is 3\n"),
              std::string::npos)
        << r.out;
    Result info = RunZepCli("info " + out);
    EXPECT_NE(info.out.find("nodes: 5\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("zones: 2\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("links: 10\n"), std::string::npos) << info.out;
    Result check = RunZepCli("validate " + out);
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_EQ(check.out, "0 problems\n");

    // A trip to a zone the network does not have cannot be resolved.
    const std::string bad = Write("bad_trips.tntp", "<NUMBER OF ZONES> 2\n<END OF METADATA>\n"
                                                    "Origin 1\n 2 : 5 8 : 1\n");
    r = RunZepCli("import-tntp " + net + " --trips " + bad + " -o " + out);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(bad + ":4: destination 8 is not a node of the network " + net),
              std::string::npos)
        << r.out;
}

} // namespace
