#pragma once

#include "platform/file_identity.h"
#include "platform/found_file.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

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
    ScannedFolder(std::string path);
    ScannedFolder(const char* path) : ScannedFolder(std::string(path)) {}

    ScannedFolder(const ScannedFolder& other) : node_(other.node_) { hold(); }
    ScannedFolder(ScannedFolder&& other) noexcept : node_(std::exchange(other.node_, nullptr)) {}
    ScannedFolder& operator=(ScannedFolder other) noexcept {
        std::swap(node_, other.node_);
        return *this;
    }
    ~ScannedFolder() { release(); }

    // The added folder a walk begins at (never ending in a separator), as it was read.
    static ScannedFolder Added(std::string path, const FileIdentity& identity);
    // The folder name inside this walked folder, as it was read.
    ScannedFolder inside(std::string_view name, const FileIdentity& identity) const;

    const std::string& str() const;
    operator const std::string&() const { return str(); }

    // The way from the added folder here; nothing for a folder known by its path alone.
    std::optional<FolderWay> way() const;

    friend bool operator==(const ScannedFolder& a, const ScannedFolder& b) {
        return a.node_ == b.node_ || a.str() == b.str();
    }
    friend bool operator==(const ScannedFolder& a, const std::string& b) { return a.str() == b; }
    friend bool operator==(const ScannedFolder& a, const char* b) { return a.str() == b; }

  private:
    // Held by every record of the folder and by the folders inside it. A catalogue holds one
    // pointer a record, not two: the count lives in the node, and is not guarded. Folders are
    // made, copied and let go only on the thread that owns the catalogue; another thread may
    // read their paths while it waits.
    struct Node;
    void hold() const;
    void release();
    Node* node_ = nullptr;
};

struct ScannedFolder::Node {
    std::string path;
    FileIdentity identity;
    ScannedFolder parent; // none for the added folder
    bool walked = false;
    std::size_t holders = 1;
};

inline const std::string& ScannedFolder::str() const {
    static const std::string empty;
    return node_ != nullptr ? node_->path : empty;
}

inline void ScannedFolder::hold() const {
    if (node_ != nullptr) {
        ++node_->holders;
    }
}

inline void ScannedFolder::release() {
    if (node_ != nullptr && --node_->holders == 0) {
        delete node_;
    }
    node_ = nullptr;
}

} // namespace bk
