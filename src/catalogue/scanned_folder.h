#pragma once

#include "platform/file_identity.h"
#include "platform/found_file.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace bk {

// The folder of catalogued files, held once however many records name it: a catalogue of
// 100,000 files in 5,000 folders keeps 5,000 of these, not 100,000 copies of their paths. It
// reads as its path, as walked. A folder that a scan walked also knows the way to it: the added
// folder the walk began at and each folder below it by name, each with the identity it had when
// it was read, so that a deletion can go the same way and notice a folder swapped since.
class ScannedFolder {
  public:
    ScannedFolder() = default;
    // A folder known by its path alone, as records made by hand have it: no way leads there,
    // so none of its files can be deleted. Not explicit: such records are filled from texts.
    ScannedFolder(std::string path)
        : node_(std::make_shared<const Node>(Node{std::move(path), {}, nullptr, false})) {}
    ScannedFolder(const char* path) : ScannedFolder(std::string(path)) {}

    // The added folder a walk begins at (never ending in "/"), as it was read.
    static ScannedFolder Added(std::string path, const FileIdentity& identity) {
        ScannedFolder added;
        added.node_ = std::make_shared<const Node>(Node{std::move(path), identity, nullptr, true});
        return added;
    }
    // The folder name inside this walked folder, as it was read.
    ScannedFolder inside(std::string_view name, const FileIdentity& identity) const {
        ScannedFolder inner;
        std::string path = str();
        path.append("/").append(name);
        inner.node_ = std::make_shared<const Node>(Node{std::move(path), identity, node_, true});
        return inner;
    }

    const std::string& str() const { return node_ ? node_->path : Empty(); }
    operator const std::string&() const { return str(); }

    // The way from the added folder here; nothing for a folder known by its path alone.
    std::optional<FolderWay> way() const;

    friend bool operator==(const ScannedFolder& a, const ScannedFolder& b) {
        return a.node_ == b.node_ || a.str() == b.str();
    }
    friend bool operator==(const ScannedFolder& a, const std::string& b) { return a.str() == b; }
    friend bool operator==(const ScannedFolder& a, const char* b) { return a.str() == b; }

  private:
    struct Node {
        std::string path;
        FileIdentity identity;
        std::shared_ptr<const Node> parent; // null for the added folder
        bool walked = false;
    };
    static const std::string& Empty() {
        static const std::string empty;
        return empty;
    }
    std::shared_ptr<const Node> node_;
};

} // namespace bk
