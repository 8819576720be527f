// The application's own resource file (<bundle>/Orvane.rsrc, open read-only for the
// program's lifetime as GlueRec::appResFile) and the texts the program takes from it.
#pragma once

#include "core/State.h"
#include "base/Types.h"

namespace orvane {

// Opens the application's resource file read-only. noErr with `*refNum` set, or the
// Resource Manager's status with `*refNum` 0 (fnfErr when the bundle has no resource file).
OSErr OpenApplicationResourceFile(int16_t* refNum);

// 'STR ' `id`, or item `index` (from 1) of 'STR#' `listID`, of the application's resource
// file into `out`. A missing resource or item and an empty text are all resNotFound (the
// program treats an empty text as a missing one); a damaged resource is mapReadErr; a null
// argument paramErr. On failure `out` is empty (when given).
OSErr GetAppString(const GlueRec* glue, int16_t id, StringPtr out);
OSErr GetAppIndString(const GlueRec* glue, int16_t listID, int16_t index, StringPtr out);

} // namespace orvane
