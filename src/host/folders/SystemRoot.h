// The system root: the folder under which the program finds the system's own folders
// (the printer-description folder, the shared application-support folder). "/" normally;
// tests and demonstrations point it at a temporary folder with ORVANE_ROOT.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// $ORVANE_ROOT when it is an absolute path, else "/"; without a trailing slash except for
// "/" itself. Read on every call.
std::string SystemRoot();

// `absolutePath` (such as "/etc/cups/ppd") below the system root.
std::string UnderSystemRoot(std::string_view absolutePath);

} // namespace orvane
