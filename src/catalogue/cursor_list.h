#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define BK_WITH_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BK_WITH_ADDRESS_SANITIZER 1
#endif
#endif
#ifdef BK_WITH_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
#endif

namespace bk {

// A doubly linked list of records with one cursor, the current record. Every algorithm of the
// program walks its lists by moving the cursor, so where the cursor stands after each operation
// is part of the contract.
//
// The next and previous links may be cut between two records (cutBeforeCurrent). The member
// list uses that to keep one chain per group inside one list: stepping with advance never leaves
// a chain. Ownership does not follow those links: records live in blocks the list owns, so
// clear releases the records of every chain. A list of a million files takes no allocation of
// its own per record and a bit of bookkeeping; the place of a deleted record goes to the next
// new one. Links are place numbers of four bytes, not pointers of eight: a list of a million
// records saves 8 MB.
template <typename Record> class CursorList {
  public:
    CursorList() = default;
    // Not movable either: every block points back to its list.
    CursorList(const CursorList&) = delete;
    CursorList& operator=(const CursorList&) = delete;
    ~CursorList() { clear(); }

    // A new zero-filled record after the current one, or in front of the first one when no
    // record is current. The new record becomes current.
    Record* insertAfterCurrent() {
        Node* node = newNode();
        ++size_;
        if (current_ == nullptr) {
            link(node, first_);
            first_ = node;
            if (last_ == nullptr) {
                last_ = node;
            }
        } else {
            link(node, nextNode(current_));
            link(current_, node);
            if (last_ == current_) {
                last_ = node;
            }
        }
        current_ = node;
        return node;
    }

    // Unlinks and releases the current record. The cursor moves to the previous record, or to the
    // next one when there is no previous one, or to none when the record stood alone.
    void deleteCurrent() {
        Node* node = current_;
        if (node == nullptr) {
            return;
        }
        Node* const previous = previousNode(node);
        Node* const next = nextNode(node);
        if (previous != nullptr) {
            link(previous, next);
        } else if (next != nullptr) {
            next->previous = None;
        }
        if (first_ == node) {
            first_ = next;
        }
        if (last_ == node) {
            last_ = previous;
        }
        current_ = previous != nullptr ? previous : next;
        release(node);
        --size_;
    }

    // Moves to the next record and tells whether there was one; with no current record the first
    // record becomes current. At the end of a chain the cursor stays where it is.
    bool advance() {
        if (current_ == nullptr) {
            current_ = first_;
            return current_ != nullptr;
        }
        Node* const next = nextNode(current_);
        if (next == nullptr) {
            return false;
        }
        current_ = next;
        return true;
    }

    void rewind() { current_ = nullptr; }

    // Index 0 is the first record; -1 leaves none current; an index past the end leaves the last.
    void selectAt(std::int64_t index) {
        rewind();
        for (std::int64_t step = 0; step <= index; ++step) {
            if (!advance()) {
                break;
            }
        }
    }

    void makeCurrent(Record* record) { current_ = static_cast<Node*>(record); }

    // Records counted from the first one along the next links. As long as no chain was cut off
    // that is every record, and the count needs no walk.
    std::int64_t count() const {
        if (!chainsCut_) {
            return size_;
        }
        std::int64_t n = 0;
        for (const Node* node = first_; node != nullptr; node = nextNode(node)) {
            ++n;
        }
        return n;
    }

    // 1-based position of the current record counted from the first one; 0 when none is current.
    std::int64_t positionOfCurrent() const {
        if (current_ == nullptr) {
            return 0;
        }
        std::int64_t position = 1;
        for (const Node* node = first_; node != nullptr && node != current_;
             node = nextNode(node)) {
            ++position;
        }
        return position;
    }

    // Releases every record, those of cut-off chains included.
    void clear() {
        releaseBlocks();
        free_ = nullptr;
        usedInLastBlock_ = NodesPerBlock;
        first_ = last_ = current_ = nullptr;
        size_ = 0;
        chainsCut_ = false;
    }

    // Cuts the links between the current record and the one before it, so that the current
    // record starts a chain of its own.
    void cutBeforeCurrent() {
        if (current_ == nullptr || current_->previous == None) {
            return;
        }
        previousNode(current_)->next = None;
        current_->previous = None;
        chainsCut_ = true;
    }

    Record* current() const { return current_; }
    Record* first() const { return first_; }
    Record* last() const { return last_; }
    bool empty() const { return first_ == nullptr; }

    // The links of a record, for code that walks a chain without moving the cursor.
    static Record* nextOf(Record* record) { return nextNode(static_cast<Node*>(record)); }
    static Record* previousOf(Record* record) { return previousNode(static_cast<Node*>(record)); }

  private:
    // A place number: the place's block times the places a block holds, plus its index in
    // the block, plus one, so that 0 is none.
    using Place = std::uint32_t;
    static constexpr Place None = 0;
    struct Node : Record {
        Place previous = None;
        Place next = None;
    };

    // Records live in blocks of memory aligned to their size, so that the block of a record is
    // found from its address; each block tells which of its places hold a record.
    // A block of a megabyte: each block costs the system a page beside it for the allocator's
    // own bookkeeping, which at a quarter of a megabyte came to 1.5 % of a large catalogue.
    // Places not yet used are never touched, so a short list takes a few pages, not a megabyte.
    static constexpr std::size_t BlockBytes = std::size_t{1} << 20;
    // Room for the list, the block's number and a bit a place, places taking 16 bytes or more.
    static constexpr std::size_t HeaderBytes = 64 + BlockBytes / 16 / 8;
    static constexpr std::size_t NodesPerBlock = (BlockBytes - HeaderBytes) / sizeof(Node);
    struct Block {
        const CursorList* list;
        std::size_t number; // in the list's blocks
        std::bitset<NodesPerBlock> live;
        alignas(Node) unsigned char places[NodesPerBlock * sizeof(Node)];
        Node* place(std::size_t index) { return reinterpret_cast<Node*>(places) + index; }
    };
    static_assert(sizeof(Block) <= BlockBytes);
    // A free place holds the link to the next free one.
    static_assert(sizeof(Node) >= sizeof(Node*) && alignof(Node) >= alignof(Node*));

    struct BlockDeleter {
        void operator()(Block* block) const {
            block->~Block();
            ::operator delete (block, std::align_val_t{BlockBytes});
        }
    };
    using OwnedBlock = std::unique_ptr<Block, BlockDeleter>;

    static Block* blockOf(const Node* node) {
        return reinterpret_cast<Block*>(reinterpret_cast<std::uintptr_t>(node) &
                                        ~std::uintptr_t{BlockBytes - 1});
    }
    static std::size_t indexOf(const Node* node) {
        return static_cast<std::size_t>(node - blockOf(node)->place(0));
    }

    static Place placeOf(const Node* node) {
        return node == nullptr
                   ? None
                   : static_cast<Place>(blockOf(node)->number * NodesPerBlock + indexOf(node) + 1);
    }
    // The node at a place of the list that holds node.
    static Node* nodeAt(const Node* node, Place place) {
        if (place == None) {
            return nullptr;
        }
        const std::size_t index = place - 1;
        return blockOf(node)->list->blocks_[index / NodesPerBlock]->place(index % NodesPerBlock);
    }
    static Node* nextNode(const Node* node) { return nodeAt(node, node->next); }
    static Node* previousNode(const Node* node) { return nodeAt(node, node->previous); }
    // Makes after follow before (either may be none, not both).
    static void link(Node* before, Node* after) {
        if (before != nullptr) {
            before->next = placeOf(after);
        }
        if (after != nullptr) {
            after->previous = placeOf(before);
        }
    }

    Node* newNode() {
        Node* place = nullptr;
        if (free_ != nullptr) {
            place = free_;
            unpoison(place);
            free_ = *std::launder(reinterpret_cast<Node**>(place));
        } else {
            if (usedInLastBlock_ == NodesPerBlock) {
                if ((blocks_.size() + 1) * NodesPerBlock >= std::numeric_limits<Place>::max()) {
                    throw std::length_error("more records than a place number can tell");
                }
                if (blocks_.size() == blocks_.capacity()) {
                    blocks_.reserve(2 * blocks_.size() + 1); // so that emplace_back cannot throw
                }
                void* memory = ::operator new (BlockBytes, std::align_val_t{BlockBytes});
                auto* block = new (memory) Block; // the places stay untouched until used
                block->list = this;
                block->number = blocks_.size();
                blocks_.emplace_back(block);
                usedInLastBlock_ = 0;
            }
            place = blocks_.back()->place(usedInLastBlock_++);
        }
        Node* node = new (place) Node{};
        blockOf(node)->live.set(indexOf(node));
        return node;
    }

    // Ends a deleted record, which lets go of what it held, and keeps its place for the next.
    void release(Node* node) {
        blockOf(node)->live.reset(indexOf(node));
        node->~Node();
        ::new (static_cast<void*>(node)) Node*(free_);
        free_ = node;
        poison(node);
    }

    // Under AddressSanitizer the place of a deleted record cannot be touched until it is used
    // again.
    static void poison([[maybe_unused]] Node* place) {
#ifdef BK_WITH_ADDRESS_SANITIZER
        ASAN_POISON_MEMORY_REGION(place, sizeof(Node));
#endif
    }
    static void unpoison([[maybe_unused]] Node* place) {
#ifdef BK_WITH_ADDRESS_SANITIZER
        ASAN_UNPOISON_MEMORY_REGION(place, sizeof(Node));
#endif
    }

    void releaseBlocks() {
        for (const OwnedBlock& block : blocks_) {
            for (std::size_t index = 0; index < NodesPerBlock; ++index) {
                unpoison(block->place(index));
                if (block->live.test(index)) {
                    block->place(index)->~Node();
                }
            }
        }
        blocks_.clear();
    }

    std::vector<OwnedBlock> blocks_;
    std::size_t usedInLastBlock_ = NodesPerBlock;
    Node* free_ = nullptr; // places of deleted records, each holding the next
    Node* first_ = nullptr;
    Node* last_ = nullptr;
    Node* current_ = nullptr;
    std::int64_t size_ = 0; // every record, in every chain
    bool chainsCut_ = false;
};

} // namespace bk
