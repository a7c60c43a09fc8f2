#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bk {

// Faults planned for the file layer, so that tests can make the disk misbehave at a chosen call:
// an open, read, folder listing or deletion that fails, a read that comes back short, or a file
// that changes just before the call reaches it. The running program never attaches a plan; the
// file layer then pays one pointer check per call.
class FileFaults {
  public:
    enum Call { Open, Read, FolderRead, Delete };
    enum Effect {
        Fail,   // the call fails as if the system had refused it; a read delivers nothing
        Short,  // a read delivers at most keep bytes; any other call fails
        Change, // change runs on the path first, then the call goes ahead as usual
    };
    static constexpr int Forever = -1;

    // A planned fault, written as Fault(Read, Fail, path).after(2) for "the third read of path".
    struct Fault {
        Fault(Call calls, Effect what, std::string onPath = {})
            : call(calls), effect(what), path(std::move(onPath)) {}
        Fault& after(int calls) {
            skip = calls;
            return *this;
        }
        Fault& striking(int calls) {
            times = calls;
            return *this;
        }
        Fault& keeping(std::int64_t bytes) {
            keep = bytes;
            return *this;
        }
        Fault& doing(std::function<void(const std::string& path)> action) {
            change = std::move(action);
            return *this;
        }

        Call call;
        Effect effect;
        std::string path;      // the call must name this absolute path; empty: any path
        int skip = 0;          // matching calls let through before the first one struck
        int times = 1;         // matching calls struck after those, or Forever
        std::int64_t keep = 0; // Short: the bytes a struck read still delivers
        std::function<void(const std::string& path)> change; // Change: done to the path first
    };

    // What the file layer makes of a call.
    struct Verdict {
        bool fail = false;
        std::int64_t limit = -1; // for a read: the most bytes it may deliver; -1 means no limit
    };

    void plan(Fault fault) {
        plans_.push_back(std::move(fault));
        hits_.push_back(0);
    }

    // How many calls faults have struck so far, and whether every plan has struck and is used up
    // (a plan for Forever: struck at least once). A test checks this so that a fault that never
    // came cannot pass for one that was survived.
    int struck() const { return struck_; }
    bool allStruck() const {
        for (std::size_t i = 0; i < plans_.size(); ++i) {
            if (hits_[i] == 0 || (plans_[i].times != 0 && plans_[i].times != Forever)) {
                return false;
            }
        }
        return true;
    }

    // For the file layer. Every call is counted by each plan it matches; the first plan that is
    // due strikes it. A read names the path its file was opened under.
    Verdict strike(Call call, const std::string& path) {
        std::size_t due = plans_.size();
        for (std::size_t i = 0; i < plans_.size(); ++i) {
            Fault& fault = plans_[i];
            if (fault.call != call || fault.times == 0 ||
                (!fault.path.empty() && fault.path != path)) {
                continue;
            }
            if (fault.skip > 0) {
                --fault.skip;
            } else if (due == plans_.size()) {
                due = i;
            }
        }
        if (due == plans_.size()) {
            return {};
        }
        ++struck_;
        ++hits_[due];
        Fault& fault = plans_[due];
        if (fault.times != Forever) {
            --fault.times;
        }
        Verdict verdict;
        if (fault.effect == Change) {
            // A copy: the change may plan further faults, which moves the plans.
            const auto change = fault.change;
            if (change) {
                change(path);
            }
        } else if (fault.effect == Short && call == Read) {
            verdict.limit = fault.keep;
        } else {
            verdict.fail = true;
            verdict.limit = 0;
        }
        return verdict;
    }

    // For the file layer: whether a plan refuses this open of path.
    bool refusesOpen(const std::string& path) { return strike(Open, path).fail; }
    // For the file layer: how many of the length bytes asked for this read of path delivers.
    std::int64_t deliveredOf(const std::string& path, std::int64_t length) {
        const Verdict verdict = strike(Read, path);
        return verdict.limit >= 0 ? std::min(length, verdict.limit) : length;
    }

    void opened(int number, const std::string& path) { openPaths_[number] = path; }
    std::string pathOf(int number) const {
        const auto found = openPaths_.find(number);
        return found == openPaths_.end() ? std::string() : found->second;
    }

  private:
    std::vector<Fault> plans_;
    std::vector<int> hits_;                // calls struck by each plan
    std::map<int, std::string> openPaths_; // file number -> path it was opened under
    int struck_ = 0;
};

} // namespace bk
