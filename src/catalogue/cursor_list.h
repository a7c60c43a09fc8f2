#pragma once

#include <cstdint>
#include <memory>
#include <utility>

namespace bk {

// A doubly linked list of records with one cursor, the current record. Every algorithm of the
// program walks its lists by moving the cursor, so where the cursor stands after each operation
// is part of the contract.
//
// The next and previous links may be cut between two records (cutBeforeCurrent). The member
// list uses that to keep one chain per group inside one list: stepping with advance never leaves
// a chain. Ownership does not follow those links: every record is also kept in a list of its
// own, so clear releases the records of every chain.
template <typename Record> class CursorList {
  public:
    CursorList() = default;
    CursorList(const CursorList&) = delete;
    CursorList& operator=(const CursorList&) = delete;
    ~CursorList() { clear(); }

    // A new zero-filled record after the current one, or in front of the first one when no
    // record is current. The new record becomes current.
    Record* insertAfterCurrent() {
        auto* node = new Node{};
        own(node);
        ++size_;
        if (current_ == nullptr) {
            node->next = first_;
            if (first_ != nullptr) {
                first_->previous = node;
            }
            first_ = node;
            if (last_ == nullptr) {
                last_ = node;
            }
        } else {
            node->previous = current_;
            node->next = current_->next;
            if (current_->next != nullptr) {
                current_->next->previous = node;
            }
            current_->next = node;
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
        if (node->previous != nullptr) {
            node->previous->next = node->next;
        }
        if (node->next != nullptr) {
            node->next->previous = node->previous;
        }
        if (first_ == node) {
            first_ = node->next;
        }
        if (last_ == node) {
            last_ = node->previous;
        }
        current_ = node->previous != nullptr ? node->previous : node->next;
        disown(node);
        delete node;
        --size_;
    }

    // Moves to the next record and tells whether there was one; with no current record the first
    // record becomes current. At the end of a chain the cursor stays where it is.
    bool advance() {
        if (current_ == nullptr) {
            current_ = first_;
            return current_ != nullptr;
        }
        if (current_->next == nullptr) {
            return false;
        }
        current_ = current_->next;
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
        for (const Node* node = first_; node != nullptr; node = node->next) {
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
        for (const Node* node = first_; node != nullptr && node != current_; node = node->next) {
            ++position;
        }
        return position;
    }

    // Releases every record, those of cut-off chains included.
    void clear() {
        while (owned_ != nullptr) {
            Node* node = owned_;
            owned_ = node->nextOwned;
            delete node;
        }
        first_ = last_ = current_ = nullptr;
        size_ = 0;
        chainsCut_ = false;
    }

    // Cuts the links between the current record and the one before it, so that the current
    // record starts a chain of its own.
    void cutBeforeCurrent() {
        if (current_ == nullptr || current_->previous == nullptr) {
            return;
        }
        current_->previous->next = nullptr;
        current_->previous = nullptr;
        chainsCut_ = true;
    }

    Record* current() const { return current_; }
    Record* first() const { return first_; }
    Record* last() const { return last_; }
    bool empty() const { return first_ == nullptr; }

    // The links of a record, for code that walks a chain without moving the cursor.
    static Record* nextOf(Record* record) { return static_cast<Node*>(record)->next; }
    static Record* previousOf(Record* record) { return static_cast<Node*>(record)->previous; }

  private:
    struct Node : Record {
        Node* previous = nullptr;
        Node* next = nullptr;
        Node* previousOwned = nullptr;
        Node* nextOwned = nullptr;
    };

    void own(Node* node) {
        node->nextOwned = owned_;
        if (owned_ != nullptr) {
            owned_->previousOwned = node;
        }
        owned_ = node;
    }

    void disown(Node* node) {
        if (node->previousOwned != nullptr) {
            node->previousOwned->nextOwned = node->nextOwned;
        } else {
            owned_ = node->nextOwned;
        }
        if (node->nextOwned != nullptr) {
            node->nextOwned->previousOwned = node->previousOwned;
        }
    }

    Node* first_ = nullptr;
    Node* last_ = nullptr;
    Node* current_ = nullptr;
    Node* owned_ = nullptr;
    std::int64_t size_ = 0; // every record, in every chain
    bool chainsCut_ = false;
};

} // namespace bk
