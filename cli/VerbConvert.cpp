// zep-cli convert IN OUT: reads a study in any supported form and writes it in the form OUT's
// extension asks for; "-" writes the XML form to standard output.
#include "cli/StdoutStream.h"
#include "cli/Verbs.h"
#include "files/PrjFile.h"
#include "files/TXMLOut.h"
#include "model/Project.h"

namespace zep::cli {
namespace {

int Convert(const std::vector<std::string>& args) {
    ArgReader a(args, {});
    a.ExpectPositional(2, 2, "convert IN OUT");
    const std::string& out = a.Positional()[1];
    ProjectOutputForm(out, true); // refuses an unknown form before the study is read
    auto p = OpenStudy(a.Positional()[0]);
    if (out == "-") {
        TStdoutStream stdoutStream;
        files::TXMLWriter(*p).Write(stdoutStream);
        return 0;
    }
    SaveStudy(out, *p);
    return 0;
}

VerbRegistrar reg(41, {"convert", "IN OUT", "convert a study file (form by extension)", Convert,
                       "IN: .zpz, .zep, .xml, .xmlz, or a model network or assignment file.\n"
                       "OUT: .zpz (compressed project file), .zep (plain), .xml, .xmlz, or - for\n"
                       "the XML form on standard output. An existing OUT is kept in backups/\n"
                       "beside it, named NAME-DATE-NNN.EXT.\n"});

} // namespace
} // namespace zep::cli
