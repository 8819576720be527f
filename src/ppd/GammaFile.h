// The gamma file: on the newest system class the tone settings of a printer go into a file
// of their own, one per PPD nickname, in the shared application-support folder:
//
//   <system root>/var/lib/<OEM Name>/Tonevault/<nickname>/PPDGAM
//
// Its text is the tone block and its resource fork (in the sidecar "._PPDGAM") the settings
// record 'VrTn' 128; both are written elsewhere. This part only makes sure the folders and
// the file exist and are writable for the group.
#pragma once

#include "base/Types.h"
#include "core/State.h"

#include <string>
#include <string_view>

namespace orvane {

// The name of the gamma file inside the printer's folder.
inline constexpr const char* kGammaFileName = "PPDGAM";

// The folder name for a nickname or vendor name. Bytes a folder name cannot hold ('/' and
// NUL) become ':', which a folder name may hold and which still reads as a separator, so
// "Model 5/6" stays recognisable as "Model 5:6"; a leading '.' becomes ':' as well, so that
// no name is "." or "..", hidden, or taken for a sidecar ("._name"). All other bytes stay;
// the length does not change, so two nicknames never meet in one folder by being cut.
std::string GammaFolderName(std::string_view name);

// Makes sure the gamma file of the chosen PPD (named by glue->ppdNickname) exists with a
// resource fork, and records its location in glue->gammaFileSpec.
//
// - paramErr for a null glue or a system level other than 2; nothing is done.
// - resNotFound when the bundle has no "OEM Name"; bdNamErr when it is over 255 bytes.
// - Folders that are missing are created: the vendor folder (with administrator rights
//   when this process may not create it; kGammaFolderUnavailableErr when it still is not
//   there), then "Tonevault" and the printer's folder, each new one made group-writable.
//   An existing "Tonevault" is made group-writable with everything in it.
// - An empty nickname: noErr once the vendor and "Tonevault" folders exist; gammaFileSpec is
//   left as it was.
// - A new "PPDGAM" is an empty file of type 'TEXT' and creator '????', group-writable, with
//   an empty resource fork; an existing one keeps its contents (it only gets a resource fork
//   if it had none).
// - The first failing step's status otherwise (dupFNErr when a file stands where a folder
//   belongs); folders created before the failure stay. Mode changes are not checked.
[[nodiscard]] OSErr Make_gam_file(GlueRec* glue);

} // namespace orvane
