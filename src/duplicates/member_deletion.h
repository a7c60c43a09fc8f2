#pragma once

#include "catalogue/catalogue.h"
#include "platform/file_services.h"

#include <optional>
#include <vector>

namespace bk {

// A member's file as it was found, for the file layer; nothing for a record no walk made.
std::optional<FoundFile> FoundFileOf(const MemberRecord& member);

// The members of a content group that stay and may prove a deletion safe, as they were found,
// in the order they are tried.
class StayingCopies {
  public:
    void add(const MemberRecord& member);
    // Every staying copy but the member to delete.
    std::vector<const FoundFile*> besides(const MemberRecord& doomed) const;

  private:
    struct Copy {
        const MemberRecord* member;
        FoundFile file;
    };
    std::vector<Copy> copies_;
};

// Deletes a member's file while it is still the file that was found, reached the way it was
// found. A member of a content group goes only while staying proves, by comparing the bytes now,
// that another copy stays (staying is null for a same-name group, whose files differ by design).
// False, with nothing deleted, otherwise.
bool DeleteMemberFile(const FileServices& files, const MemberRecord& member,
                      const StayingCopies* staying, ProofProgress& progress);

} // namespace bk
