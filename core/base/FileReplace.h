// Replacing a file as a whole. The bytes go to a temporary file beside it
// ("<name>.tmp-" and six characters), which is flushed to the disk and then
// renamed over the old one: a crash, a kill or a full disk leaves the old file
// or the new one, never a part of either. The new file keeps the old one's
// permissions (a new one gets those of the file-creation mask).
//
// A save holds a lock on its temporary file while it lives; temporary files
// of the same name that no live save holds (left by a save that was killed)
// are removed by the next save.
//
// Failures raise EStreamError "Cannot save <path>: <reason>"; the old file is
// left as it was and the temporary file removed.
#pragma once

#include <string>
#include <string_view>

void ReplaceFileContents(const std::string& path, std::string_view bytes);
