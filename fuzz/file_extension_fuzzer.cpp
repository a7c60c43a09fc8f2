// Compares FileExtension with a reference that follows the rule literally: scan backwards from
// the end for the last "." or "/" (the first character included); only a "." gives an
// extension, the text after it up to its first double quote. It also checks the lower-casing
// the members view applies before it compares an extension with "bak".
//
// Input: the name, any bytes.

#include "catalogue/case_folding.h"
#include "ui/result_views.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void Fail(const char* what, std::string_view name) {
    std::fprintf(stderr, "file_extension_fuzzer: %s (name of %zu bytes)\n", what, name.size());
    std::abort();
}

std::string ReferenceExtension(std::string_view name) {
    for (std::size_t i = name.size(); i > 0; --i) {
        const char c = name[i - 1];
        if (c == '/') {
            return "";
        }
        if (c == '.') {
            std::string extension;
            for (std::size_t j = i; j < name.size() && name[j] != '"'; ++j) {
                extension += name[j];
            }
            return extension;
        }
    }
    return "";
}

// A-Z and the two-byte characters C3 80 to C3 9F move up by 0x20. Such a pair is always a
// complete UTF-8 character, since C3 is never a continuation byte; every other byte stays.
std::string ReferenceLowerCase(std::string_view text) {
    std::string lower(text);
    for (std::size_t i = 0; i < lower.size(); ++i) {
        const auto byte = static_cast<unsigned char>(lower[i]);
        if (byte >= 'A' && byte <= 'Z') {
            lower[i] = static_cast<char>(byte + 0x20);
        } else if (byte == 0xC3 && i + 1 < lower.size()) {
            const auto trail = static_cast<unsigned char>(lower[i + 1]);
            if (trail >= 0x80 && trail <= 0x9F) {
                lower[i + 1] = static_cast<char>(trail + 0x20);
                ++i;
            }
        }
    }
    return lower;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    const std::string extension = bk::FileExtension(name);
    if (extension != ReferenceExtension(name)) {
        Fail("FileExtension differs from the reference", name);
    }
    const std::string lower = bk::FoldCase(extension);
    if (lower != ReferenceLowerCase(extension)) {
        Fail("FoldCase of the extension differs from the reference", name);
    }
    return 0;
}
