#include "host/bundle/PropertyList.h"

#include <plist/plist.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace orvane {

namespace {

// The program's property lists are a few kilobytes; anything far larger is not one of them.
constexpr long kMaxPropertyListBytes = 4 * 1024 * 1024;

bool ReadSmallFile(const std::string& path, std::string& contents) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rbe"), &std::fclose);
    if (!file)
        return false;
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        return false;
    const long size = std::ftell(file.get());
    if (size < 0 || size > kMaxPropertyListBytes || std::fseek(file.get(), 0, SEEK_SET) != 0)
        return false;
    contents.assign(static_cast<size_t>(size), '\0');
    return std::fread(contents.data(), 1, contents.size(), file.get()) == contents.size();
}

std::optional<std::string> StringOf(plist_t node) {
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return std::nullopt;
    char* value = nullptr;
    plist_get_string_val(node, &value);
    if (!value)
        return std::nullopt;
    std::string result(value);
    std::free(value);
    return result;
}

} // namespace

PropertyListDict::~PropertyListDict() {
    if (root_)
        plist_free(static_cast<plist_t>(root_));
}

PropertyListDict::PropertyListDict(PropertyListDict&& other) noexcept : root_(other.root_) {
    other.root_ = nullptr;
}

PropertyListDict& PropertyListDict::operator=(PropertyListDict&& other) noexcept {
    if (this != &other) {
        if (root_)
            plist_free(static_cast<plist_t>(root_));
        root_ = other.root_;
        other.root_ = nullptr;
    }
    return *this;
}

bool PropertyListDict::LoadFile(const std::string& path) {
    std::string contents;
    if (!ReadSmallFile(path, contents) || contents.empty())
        return false;
    plist_t root = nullptr;
    plist_from_memory(contents.data(), static_cast<uint32_t>(contents.size()), &root);
    if (!root)
        return false;
    if (plist_get_node_type(root) != PLIST_DICT) {
        plist_free(root);
        return false;
    }
    if (root_)
        plist_free(static_cast<plist_t>(root_));
    root_ = root;
    return true;
}

namespace {

plist_t Item(void* root, std::string_view key) {
    if (!root)
        return nullptr;
    const std::string k(key); // libplist wants a zero-terminated key
    return plist_dict_get_item(static_cast<plist_t>(root), k.c_str());
}

} // namespace

bool PropertyListDict::Contains(std::string_view key) const {
    return Item(root_, key) != nullptr;
}

std::optional<std::string> PropertyListDict::StringValue(std::string_view key) const {
    return StringOf(Item(root_, key));
}

std::optional<std::vector<std::string>>
PropertyListDict::StringArrayValue(std::string_view key) const {
    plist_t array = Item(root_, key);
    if (!array || plist_get_node_type(array) != PLIST_ARRAY)
        return std::nullopt;
    std::vector<std::string> items;
    const uint32_t count = plist_array_get_size(array);
    for (uint32_t i = 0; i < count; ++i) {
        if (std::optional<std::string> s = StringOf(plist_array_get_item(array, i)))
            items.push_back(std::move(*s));
    }
    return items;
}

} // namespace orvane
