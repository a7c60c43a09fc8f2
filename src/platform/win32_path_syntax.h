#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// How the program's paths are built on Windows: "X:\folder\name" on a drive, or
// "\\server\share\folder\name" on a network share; "/" is taken as well as "\".
namespace bk::win32 {

bool IsSeparator(char character);

// "X:" with or without anything after it, or a path that starts with two separators.
bool IsAbsolute(std::string_view path);

// The root of the absolute path: "X:\" or "\\server\share\" (separators as "\"); "\" when path
// tells no root.
std::string RootOf(std::string_view path);

// The verbatim prefix "\\?\" (or "//?/"), which a path may already carry.
bool HasVerbatimPrefix(std::string_view path);

} // namespace bk::win32
