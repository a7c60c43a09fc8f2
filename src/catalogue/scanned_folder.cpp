#include "catalogue/scanned_folder.h"

#include "platform/file_paths.h"

#include <algorithm>

namespace bk {

ScannedFolder::ScannedFolder(std::string path) : node_(new Node{std::move(path), {}, {}, false}) {}

ScannedFolder ScannedFolder::Added(std::string path, const FileIdentity& identity) {
    ScannedFolder added;
    added.node_ = new Node{std::move(path), identity, {}, true};
    return added;
}

ScannedFolder ScannedFolder::inside(std::string_view name, const FileIdentity& identity) const {
    ScannedFolder inner;
    std::string path = str();
    path.append(1, PathSeparator).append(name);
    inner.node_ = new Node{std::move(path), identity, *this, true};
    return inner;
}

std::optional<FolderWay> ScannedFolder::way() const {
    if (node_ == nullptr || !node_->walked) {
        return std::nullopt;
    }
    FolderWay way;
    const Node* node = node_;
    for (; node->parent.node_ != nullptr; node = node->parent.node_) {
        // Each path extends its parent's by a separator and the folder's name.
        way.steps.push_back({node->path.substr(node->parent.str().size() + 1), node->identity});
    }
    std::reverse(way.steps.begin(), way.steps.end());
    way.start = node->path;
    way.startIdentity = node->identity;
    return way;
}

} // namespace bk
