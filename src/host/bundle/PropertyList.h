// A property-list dictionary read from a file (XML or binary), for looking up string and
// string-array values by key. The parsing is libplist's; this class only owns the tree.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

class PropertyListDict {
public:
    PropertyListDict() = default;
    ~PropertyListDict();
    PropertyListDict(PropertyListDict&& other) noexcept;
    PropertyListDict& operator=(PropertyListDict&& other) noexcept;
    PropertyListDict(const PropertyListDict&) = delete;
    PropertyListDict& operator=(const PropertyListDict&) = delete;

    // Replaces the contents with the dictionary in the file. Returns false, and keeps the
    // previous contents, when the file is missing, unreadable, larger than a property list
    // of this program can be, not a property list, or not a dictionary at its top.
    bool LoadFile(const std::string& path);

    bool loaded() const { return root_ != nullptr; }
    bool Contains(std::string_view key) const;
    // The key's value when it is a string (UTF-8); nothing when absent or of another type.
    std::optional<std::string> StringValue(std::string_view key) const;
    // The key's value when it is an array; its string items in order, other items skipped.
    std::optional<std::vector<std::string>> StringArrayValue(std::string_view key) const;

private:
    void* root_ = nullptr; // plist_t of the dictionary
};

} // namespace orvane
