#include "catalogue/scanned_folder.h"

#include <algorithm>

namespace bk {

std::optional<FolderWay> ScannedFolder::way() const {
    if (!node_ || !node_->walked) {
        return std::nullopt;
    }
    FolderWay way;
    const Node* node = node_.get();
    for (; node->parent != nullptr; node = node->parent.get()) {
        // Each path extends its parent's by "/" and the folder's name.
        way.steps.push_back({node->path.substr(node->parent->path.size() + 1), node->identity});
    }
    std::reverse(way.steps.begin(), way.steps.end());
    way.start = node->path;
    way.startIdentity = node->identity;
    return way;
}

} // namespace bk
