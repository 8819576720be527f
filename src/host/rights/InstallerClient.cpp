#include "host/rights/InstallerClient.h"
#include "host/rights/InstallerExit.h"

#include <algorithm>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace orvane {

namespace {

using namespace installer_exit;

void Append(std::vector<uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

bool IsExecutable(const char* path) {
    return path && path[0] == '/' && access(path, X_OK) == 0;
}

} // namespace

std::vector<uint8_t> ComposeInstallRequest(const InstallRequest& request) {
    std::vector<uint8_t> out;
    Append(out, "orvane-install 1\n");
    for (const std::string& folder : request.folders)
        Append(out, "mkdir " + folder + "\n");
    for (const InstallFile& file : request.files) {
        if (!file.unchangedSince)
            continue;
        char digest[17];
        std::snprintf(digest, sizeof digest, "%016" PRIx64, *file.unchangedSince);
        Append(out, std::string("unchanged ") + digest + " " + file.path + "\n");
    }
    for (const InstallFile& file : request.files) {
        Append(out, "file " + std::to_string(file.bytes.size()) + " " + file.path + "\n");
        out.insert(out.end(), file.bytes.begin(), file.bytes.end());
    }
    Append(out, "commit\n");
    return out;
}

std::string InstallerPath() {
    if (const char* chosen = std::getenv("ORVANE_INSTALLER"); chosen && chosen[0])
        return chosen;
#ifdef ORVANE_INSTALLER_BUILD_PATH
    if (IsExecutable(ORVANE_INSTALLER_BUILD_PATH))
        return ORVANE_INSTALLER_BUILD_PATH;
#endif
#ifdef ORVANE_INSTALLER_INSTALL_PATH
    return ORVANE_INSTALLER_INSTALL_PATH;
#else
    return "/usr/libexec/orvane/orvane-install";
#endif
}

InstallResult InstallWithAdminRights(AdminRights& rights, const InstallRequest& request) {
    InstallResult result;
    if (request.files.empty() && request.folders.empty()) {
        result.status = paramErr;
        return result;
    }
    // The request is one path per line: a name holding a line break cannot be said in it,
    // so it is refused before anyone is asked for a password.
    const auto broken = [](const std::string& path) {
        return path.find_first_of("\n\r") != std::string::npos;
    };
    if (std::any_of(request.folders.begin(), request.folders.end(), broken) ||
        std::any_of(request.files.begin(), request.files.end(),
                    [&](const InstallFile& file) { return broken(file.path); })) {
        result.status = bdNamErr;
        return result;
    }
    if ((result.status = rights.Request(result.refusal)) != noErr)
        return result;
    // The first file (else the last folder) goes on the command line only so that the
    // password question can name what is to be changed.
    const std::string& target =
        request.files.empty() ? request.folders.back() : request.files.front().path;
    const std::vector<uint8_t> input = ComposeInstallRequest(request);
    ToolRun run;
    AdminRefusal refusal;
    result.status = rights.Run({InstallerPath(), target}, run, refusal, input);
    if (result.status != noErr) {
        if (refusal.status != noErr)
            result.refusal = std::move(refusal);
        return result;
    }
    for (size_t at = 0; at < run.outputText.size();) {
        const size_t end = run.outputText.find('\n', at);
        const std::string line = run.outputText.substr(at, end - at);
        if (line.rfind("completed ", 0) == 0)
            result.completed.push_back(line.substr(10));
        at = end == std::string::npos ? end : end + 1;
    }
    if (run.Succeeded())
        return result;
    result.message = run.errorText.substr(0, run.errorText.find('\n'));
    switch (run.signal != 0 ? kFailed : run.exitCode) {
    case kMalformed:
        result.status = paramErr;
        break;
    case kRefused:
    case kNoPermission:
        result.status = permErr;
        break;
    case kDiskFull:
        result.status = dskFulErr;
        break;
    case kChanged:
        result.status = kChangedOnDiskCode;
        break;
    default:
        result.status = ioErr;
        break;
    }
    return result;
}

} // namespace orvane
