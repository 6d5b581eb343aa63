// File utilities that safe saving relies on: fresh temporary names and dated backups.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Exception.h"

namespace zep {

class TFileStream;

ZEP_DECLARE_EXCEPTION(EInvalidPath, Exception);
ZEP_DECLARE_EXCEPTION(ECannotCreateTmpFile, Exception);
ZEP_DECLARE_EXCEPTION(ECannotCreateFile, Exception);
ZEP_DECLARE_EXCEPTION(ECouldNotRenameToBackup, Exception);
ZEP_DECLARE_EXCEPTION(EInvalidFormat, Exception);

/// A name "_MM" + 5 hex digits + ".TMP" that does not exist yet, in the directory `pathOrFile`
/// names (or the directory of the file it names). An empty argument means the temporary
/// directory ($TMP, $TEMP, $TMPDIR, then /tmp). Raises EInvalidPath "Invalid Path: <dir>" when
/// the directory does not exist. The file is not created.
std::string TempFileName(const std::string& pathOrFile);

/// Moves the existing file D/N.E to D/backups/N-yyyy-mm-dd-kkk.E with the first free k from 1,
/// creating D/backups. Returns the backup's path, or "" when `fileName` does not exist.
/// Raises ECouldNotRenameToBackup when the file can be neither moved nor copied and deleted.
std::string MoveToBackup(const std::string& fileName);

/// Replaces the file `path` with `content` without a moment in which it is missing or torn:
/// writes a temporary file beside it (with the old file's mode, or the mode a new file gets) and
/// renames it into place. An existing file that may not be written is refused. Raises
/// EFCreateError "Cannot create file "<path>". <reason>"; on failure the old file is untouched
/// and no temporary file is left.
void ReplaceFileContent(const std::string& path, const std::string& content);

/// A file written piece by piece with the guarantees of ReplaceFileContent: the pieces go
/// through a buffer into a temporary file beside `path`, which replaces `path` on Commit. A
/// writer destroyed before Commit (a failure while the content was being made) removes its
/// temporary file and leaves the old file untouched. For content too large to be held whole.
class TReplacingFileWriter {
public:
    /// Refuses an existing file that may not be written and creates the temporary file; raises
    /// EFCreateError as ReplaceFileContent does.
    explicit TReplacingFileWriter(const std::string& path);
    ~TReplacingFileWriter();
    TReplacingFileWriter(const TReplacingFileWriter&) = delete;
    TReplacingFileWriter& operator=(const TReplacingFileWriter&) = delete;

    void Write(std::string_view bytes);
    /// `line` and CR LF.
    void Line(std::string_view line) {
        Write(line);
        Write("\r\n");
    }
    /// Writes what is buffered and renames the file into place.
    void Commit();

private:
    void Flush();

    std::string path_;
    std::string tmpName_;
    std::unique_ptr<TFileStream> file_;
    std::string buffer_;
};

/// Writes `lines`, each ended by CR LF, through ReplaceFileContent. With `onlyIfChanged`, a file
/// already holding the same lines is left alone (false returned). Failures raise EFCreateError.
bool SaveTextLines(const std::string& path, const std::vector<std::string>& lines,
                   bool onlyIfChanged);

} // namespace zep
