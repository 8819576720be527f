#include "host/folders/SystemRoot.h"

#include <cstdlib>

namespace orvane {

std::string SystemRoot() {
    const char* root = std::getenv("ORVANE_ROOT");
    if (!root || root[0] != '/')
        return "/";
    std::string path(root);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string UnderSystemRoot(std::string_view absolutePath) {
    std::string root = SystemRoot();
    if (root == "/")
        root.clear();
    if (absolutePath.empty() || absolutePath.front() != '/')
        root += '/';
    root.append(absolutePath);
    return root.empty() ? "/" : root;
}

} // namespace orvane
