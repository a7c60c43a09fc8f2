#pragma once

#include <cstddef>

// Tables of things the caller names by small numbers, growing on demand.
namespace bk::numbered {

inline std::size_t IndexOf(int number) {
    return static_cast<std::size_t>(number);
}

// Grows the table so that number has a place; new places hold empty, which must mean "nothing
// here": a table of descriptors grown with zeros would name standard input.
template <typename Table>
void MakeRoomFor(Table& table, int number, const typename Table::value_type& empty = {}) {
    if (IndexOf(number) >= table.size()) {
        table.resize(IndexOf(number) + 1, empty);
    }
}

} // namespace bk::numbered
