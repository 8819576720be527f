// Where the application's bundle lives on this host and how a resource is found in it.
//
// Layout of the bundle folder:
//   Info.plist                         the information dictionary (product identity)
//   Orvane.rsrc                        the application's resource file
//   Resources/<name>.plist             resources shared by every language
//   Resources/<lang>.lproj/<name>.plist  localised resources
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// The bundle folder: $ORVANE_BUNDLE_DIR when set; else the build tree's copy when this
// program runs from the build tree and the copy exists; else the installed one. Decided at
// each call, so tests can point it elsewhere.
std::string BundleDirectory();

// <bundle>/Info.plist and <bundle>/Orvane.rsrc.
std::string BundleInfoPlistPath();
std::string ApplicationResourceFilePath();

// The localisation folders to try, best first: the user's language with region ("ja_JP"),
// the language alone ("ja"), then "en" and "Base" (without repeats).
std::vector<std::string> PreferredLocalizations();

// The path of resource `name`.`extension`: the first of Resources/<lang>.lproj/ for each
// preferred localisation, then Resources/ itself, that holds a regular file of that name.
// Empty when there is none.
std::string FindBundleResource(std::string_view name, std::string_view extension);

} // namespace orvane
