// Runs random operation sequences on a CursorList and on a plain model of it, and compares the
// two after every operation: the records of every chain in both directions, the cursor, the
// first (and, while no chain was cut, the last) record, count and positionOfCurrent. The
// sanitizers watch for records that are used after release or never released, including those
// of chains cut off from the first one.
//
// Input: one byte per operation; selectAt and makeCurrent take one more byte as their argument.

#include "catalogue/cursor_list.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Item {
    std::int64_t id = 0;
    std::string text; // heap memory of its own, so that a record never released leaks
};

using ItemList = bk::CursorList<Item>;

[[noreturn]] void Fail(const char* what, std::size_t step) {
    std::fprintf(stderr, "cursor_list_fuzzer: %s (after operation %zu)\n", what, step);
    std::abort();
}

// The list as plain values. chains[0] is the chain that starts at the first record; it may be
// empty while cut-off chains still hold records. Every other chain is never empty.
struct Model {
    std::vector<std::vector<std::int64_t>> chains{{}};
    std::optional<std::int64_t> current;
    bool cut = false;

    // Chain and index of a record.
    std::pair<std::size_t, std::size_t> find(std::int64_t id) const {
        for (std::size_t c = 0; c < chains.size(); ++c) {
            const auto at = std::find(chains[c].begin(), chains[c].end(), id);
            if (at != chains[c].end()) {
                return {c, static_cast<std::size_t>(at - chains[c].begin())};
            }
        }
        std::abort();
    }

    std::vector<std::int64_t> all() const {
        std::vector<std::int64_t> ids;
        for (const auto& chain : chains) {
            ids.insert(ids.end(), chain.begin(), chain.end());
        }
        return ids;
    }

    void insertAfterCurrent(std::int64_t id) {
        if (!current) {
            chains[0].insert(chains[0].begin(), id);
        } else {
            const auto [c, i] = find(*current);
            chains[c].insert(chains[c].begin() + static_cast<std::ptrdiff_t>(i) + 1, id);
        }
        current = id;
    }

    void deleteCurrent() {
        if (!current) {
            return;
        }
        const auto [c, i] = find(*current);
        auto& chain = chains[c];
        chain.erase(chain.begin() + static_cast<std::ptrdiff_t>(i));
        if (i > 0) {
            current = chain[i - 1];
        } else if (!chain.empty()) {
            current = chain[0];
        } else {
            current.reset();
        }
        if (chain.empty() && c > 0) {
            chains.erase(chains.begin() + static_cast<std::ptrdiff_t>(c));
        }
    }

    bool advance() {
        if (!current) {
            if (chains[0].empty()) {
                return false;
            }
            current = chains[0][0];
            return true;
        }
        const auto [c, i] = find(*current);
        if (i + 1 == chains[c].size()) {
            return false;
        }
        current = chains[c][i + 1];
        return true;
    }

    void selectAt(std::int64_t index) {
        current.reset();
        if (index >= 0 && !chains[0].empty()) {
            const auto last = static_cast<std::int64_t>(chains[0].size()) - 1;
            current = chains[0][static_cast<std::size_t>(std::min(index, last))];
        }
    }

    void cutBeforeCurrent() {
        if (!current) {
            return;
        }
        const auto [c, i] = find(*current);
        if (i == 0) {
            return;
        }
        std::vector<std::int64_t> tail(chains[c].begin() + static_cast<std::ptrdiff_t>(i),
                                       chains[c].end());
        chains[c].resize(i);
        chains.insert(chains.begin() + static_cast<std::ptrdiff_t>(c) + 1, std::move(tail));
        cut = true;
    }

    void clear() {
        chains = {{}};
        current.reset();
        cut = false;
    }
};

class Checker {
  public:
    Item* insert(ItemList& list, Model& model) {
        Item* item = list.insertAfterCurrent();
        if (item == nullptr || item->id != 0 || !item->text.empty()) {
            Fail("insertAfterCurrent gave no zero-filled record", step_);
        }
        item->id = ++lastId_;
        item->text = "record number " + std::to_string(item->id) + ", long enough for the heap";
        records_[item->id] = item;
        model.insertAfterCurrent(item->id);
        return item;
    }

    void forget(std::int64_t id) { records_.erase(id); }
    void forgetAll() { records_.clear(); }

    Item* record(std::int64_t id) const { return records_.at(id); }
    std::size_t recordCount() const { return records_.size(); }
    std::int64_t idAt(std::size_t index) const {
        auto at = records_.begin();
        std::advance(at, static_cast<std::ptrdiff_t>(index));
        return at->first;
    }

    void next() { ++step_; }
    std::size_t step() const { return step_; }

    void compare(const ItemList& list, const Model& model) const {
        const auto idOf = [](const Item* item) { return item == nullptr ? -1 : item->id; };
        const auto& chain0 = model.chains[0];

        if (idOf(list.current()) != (model.current ? *model.current : -1)) {
            Fail("the cursor stands elsewhere", step_);
        }
        if (idOf(list.first()) != (chain0.empty() ? -1 : chain0.front())) {
            Fail("first() is not the first record", step_);
        }
        if (list.empty() != chain0.empty()) {
            Fail("empty() is wrong", step_);
        }
        // Where chains were cut, "the last record" has no meaning the program relies on.
        if (!model.cut && idOf(list.last()) != (chain0.empty() ? -1 : chain0.back())) {
            Fail("last() is not the last record", step_);
        }
        if (list.count() != static_cast<std::int64_t>(chain0.size())) {
            Fail("count() is not the number of records from the first one", step_);
        }
        if (model.current) {
            const auto [c, i] = model.find(*model.current);
            if (c == 0 && list.positionOfCurrent() != static_cast<std::int64_t>(i) + 1) {
                Fail("positionOfCurrent() is wrong", step_);
            }
            if (c != 0 && list.positionOfCurrent() <= static_cast<std::int64_t>(chain0.size())) {
                Fail("positionOfCurrent() places a cut-off record in the first chain", step_);
            }
        } else if (list.positionOfCurrent() != 0) {
            Fail("positionOfCurrent() is not 0 with no current record", step_);
        }

        // Every chain, forwards from its head and backwards from its tail.
        std::size_t records = 0;
        for (const auto& chain : model.chains) {
            records += chain.size();
            if (chain.empty()) {
                continue;
            }
            Item* head = record(chain.front());
            if (ItemList::previousOf(head) != nullptr) {
                Fail("a chain's first record has a previous one", step_);
            }
            std::vector<std::int64_t> forwards;
            for (Item* item = head; item != nullptr; item = ItemList::nextOf(item)) {
                forwards.push_back(item->id);
                if (forwards.size() > chain.size()) {
                    break;
                }
            }
            if (forwards != chain) {
                Fail("a chain walked forwards holds other records", step_);
            }
            std::vector<std::int64_t> backwards;
            for (Item* item = record(chain.back()); item != nullptr;
                 item = ItemList::previousOf(item)) {
                backwards.insert(backwards.begin(), item->id);
                if (backwards.size() > chain.size()) {
                    break;
                }
            }
            if (backwards != chain) {
                Fail("a chain walked backwards holds other records", step_);
            }
        }
        if (records != records_.size()) {
            Fail("the model lost track of a record", step_);
        }
    }

  private:
    std::map<std::int64_t, Item*> records_; // every live record by id
    std::int64_t lastId_ = 0;
    std::size_t step_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ItemList list;
    Model model;
    Checker checker;
    std::size_t at = 0;
    const auto take = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };

    while (at < size) {
        switch (take() % 12) {
        case 0:
        case 1: // inserting twice as often as anything else lets the lists grow
            checker.insert(list, model);
            break;
        case 2:
            if (model.current) {
                checker.forget(*model.current);
            }
            list.deleteCurrent();
            model.deleteCurrent();
            break;
        case 3: {
            const bool moved = list.advance();
            if (moved != model.advance()) {
                Fail("advance() tells a different story", checker.step());
            }
            break;
        }
        case 4:
            list.rewind();
            model.current.reset();
            break;
        case 5: {
            // -2 .. 253: before the first record, every record, and well past the end.
            const std::int64_t index = static_cast<std::int64_t>(take()) - 2;
            list.selectAt(index);
            model.selectAt(index);
            break;
        }
        case 6: {
            // Any live record of any chain, or none.
            const std::size_t pick = take();
            if (checker.recordCount() == 0 || pick == 255) {
                list.makeCurrent(nullptr);
                model.current.reset();
            } else {
                const std::int64_t id = checker.idAt(pick % checker.recordCount());
                list.makeCurrent(checker.record(id));
                model.current = id;
            }
            break;
        }
        case 7:
        case 8:
            list.cutBeforeCurrent();
            model.cutBeforeCurrent();
            break;
        case 9:
            // Rare, so that most sequences build up long lists and many chains.
            if (take() < 16) {
                list.clear();
                model.clear();
                checker.forgetAll();
            }
            break;
        case 10: {
            // The way the program reaches a group: makeCurrent on a chain's first record, then
            // advance through it. Here: the head of a chain chosen by the next byte.
            const std::size_t c = take() % model.chains.size();
            if (!model.chains[c].empty()) {
                list.makeCurrent(checker.record(model.chains[c].front()));
                model.current = model.chains[c].front();
                while (list.advance()) {
                    if (!model.advance()) {
                        Fail("advance() walks past the end of a chain", checker.step());
                    }
                }
                if (model.advance()) {
                    Fail("advance() stops inside a chain", checker.step());
                }
            }
            break;
        }
        default:
            // A read of every field of the current record, which the sanitizers check.
            if (Item* item = list.current(); item != nullptr && item->text.empty()) {
                Fail("a live record lost its text", checker.step());
            }
            break;
        }
        checker.compare(list, model);
        checker.next();
    }
    // The list's destructor releases everything that is left, cut-off chains included.
    return 0;
}
