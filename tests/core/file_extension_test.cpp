#include "ui/result_views.h"

#include <gtest/gtest.h>

namespace bk::test {

namespace {

struct ExtensionCase {
    std::string name;
    std::string extension;
};

TEST(FileExtensionTest, IsTheTextAfterTheLastDotOfTheLastPathPart) {
    const std::vector<ExtensionCase> cases = {
        {"a.txt", "txt"},
        {"x.BAK", "BAK"},
        {"backup.bak.old", "old"},
        {"notes.bakup", "bakup"},
        {"README", ""},
        {"", ""},
        {".bak", "bak"}, // the first character is examined, too
        {"a.", ""},      // a final dot gives the empty extension
        {".", ""},
        {"..", ""},
        {"a..b", "b"},
        {"dir.d/file", ""}, // a "/" after the last dot: no extension
        {"dir.d/file.c", "c"},
        {"/x/y.z", "z"},
        {"x/.hidden", "hidden"},
        {"a.b\"c", "b"}, // cut at the first double quote
        {"a.\"bak", ""},
        {"a.bak\"x\"y", "bak"},
        {"a.tar.gz ", "gz "},
        {"Bericht.DOCX", "DOCX"},
        {"\xc3\x84rger.\xc3\x84X", "\xc3\x84X"},
        {"bad\xff.b\xfe", "b\xfe"},
    };
    for (const ExtensionCase& each : cases) {
        EXPECT_EQ(FileExtension(each.name), each.extension) << "name: " << each.name;
    }
}

} // namespace

} // namespace bk::test
