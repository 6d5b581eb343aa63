// Saving a file so that the old one is never harmed: the new content goes to a temporary file
// beside the target, the old file is kept as a dated backup, and the temporary file is renamed
// into place. Temporary files of saves that were interrupted are removed: at once when the
// process is stopped with SIGINT or SIGTERM, or on the next save beside them.
#pragma once

#include <functional>
#include <string>

#include "foundation/Exception.h"
#include "foundation/Stream.h"

namespace zep {

/// Input/output failures of saving ("Could Not Rename Backup").
ZEP_DECLARE_EXCEPTION(EInOutError, Exception);

/// Writes `fileName` through `write` (given a stream on a fresh temporary file "_MM?????.TMP" in
/// the target's directory), keeps an existing file as D/backups/N-yyyy-mm-dd-kkk.E, then renames
/// the temporary file into place and syncs. Stale temporary files of earlier interrupted saves in
/// that directory are removed first. Returns the backup's path ("" when there was no old file).
/// On failure the old file is untouched, no temporary file is left and the exception passes on.
std::string SafeSave(const std::string& fileName, const std::function<void(TFileStream&)>& write);

/// Installs SIGINT and SIGTERM handlers that remove the temporary files of saves in progress and
/// end the process with status 128 + the signal number. For programs (not libraries) to call
/// once at start-up.
void InstallSaveInterruptCleanup();

} // namespace zep
