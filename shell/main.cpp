// zep: the desktop application.
#include "foundation/SafeSave.h"
#include "shell/Application.h"

int main(int argc, char** argv) {
    // An interrupted save removes its temporary file; the old file was never touched.
    zep::InstallSaveInterruptCleanup();
    return zep::shell::RunZep(argc, argv);
}
