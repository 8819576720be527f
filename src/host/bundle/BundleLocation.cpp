#include "host/bundle/BundleLocation.h"

#include "host/locale/Locale.h"

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The build tree is the folder that holds share/orvane; a program runs from it when its
// executable lies below that folder.
bool RunningFromBuildTree(const std::string& buildBundle) {
    constexpr std::string_view kSuffix = "/share/orvane";
    if (buildBundle.size() <= kSuffix.size() ||
        buildBundle.compare(buildBundle.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
        return false;
    const std::string buildRoot = buildBundle.substr(0, buildBundle.size() - kSuffix.size());

    char exe[4096];
    const ssize_t length = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (length <= 0)
        return false;
    const std::string_view exePath(exe, static_cast<size_t>(length));
    return exePath.size() > buildRoot.size() && exePath.starts_with(buildRoot) &&
           exePath[buildRoot.size()] == '/';
}

} // namespace

std::string BundleDirectory() {
    if (const char* overridden = std::getenv("ORVANE_BUNDLE_DIR"); overridden && *overridden)
        return overridden;
    const std::string build = ORVANE_BUNDLE_BUILD_DIR;
    if (RunningFromBuildTree(build) && IsDirectory(build))
        return build;
    return ORVANE_BUNDLE_INSTALL_DIR;
}

std::string BundleInfoPlistPath() {
    return BundleDirectory() + "/Info.plist";
}

std::string ApplicationResourceFilePath() {
    return BundleDirectory() + "/Orvane.rsrc";
}

std::vector<std::string> PreferredLocalizations() {
    std::vector<std::string> result;
    auto add = [&result](const std::string& name) {
        if (!name.empty() && std::find(result.begin(), result.end(), name) == result.end())
            result.push_back(name);
    };
    add(HostLanguageRegionCode());
    add(HostLanguageCode());
    add("en");
    add("Base");
    return result;
}

std::string FindBundleResource(std::string_view name, std::string_view extension) {
    if (name.empty() || name.find('/') != std::string_view::npos)
        return {};
    const std::string resources = BundleDirectory() + "/Resources/";
    const std::string fileName = std::string(name) + "." + std::string(extension);
    for (const std::string& lang : PreferredLocalizations()) {
        if (lang.find('/') != std::string::npos)
            continue; // a language code from the environment never names another folder
        std::string candidate = resources + lang + ".lproj/" + fileName;
        if (IsRegularFile(candidate))
            return candidate;
    }
    std::string shared = resources + fileName;
    return IsRegularFile(shared) ? shared : std::string();
}

} // namespace orvane
