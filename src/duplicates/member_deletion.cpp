#include "duplicates/member_deletion.h"

#include <utility>

namespace bk {

std::optional<FoundFile> FoundFileOf(const MemberRecord& member) {
    std::optional<FolderWay> way = member.file->folder.way();
    if (!way) {
        return std::nullopt;
    }
    return FoundFile{std::move(*way), member.file->name.str(), member.file->identity()};
}

void StayingCopies::add(const MemberRecord& member) {
    if (std::optional<FoundFile> file = FoundFileOf(member)) {
        copies_.push_back({&member, std::move(*file)});
    }
}

std::vector<const FoundFile*> StayingCopies::besides(const MemberRecord& doomed) const {
    std::vector<const FoundFile*> others;
    for (const Copy& copy : copies_) {
        if (copy.member != &doomed) {
            others.push_back(&copy.file);
        }
    }
    return others;
}

bool DeleteMemberFile(const FileServices& files, const MemberRecord& member,
                      const StayingCopies* staying, ProofProgress& progress) {
    const std::optional<FoundFile> file = FoundFileOf(member);
    if (!file) {
        return false;
    }
    if (staying == nullptr) {
        return files.removal.removeFound(*file);
    }
    return files.removal.removeProvenCopy(*file, staying->besides(member), progress);
}

} // namespace bk
