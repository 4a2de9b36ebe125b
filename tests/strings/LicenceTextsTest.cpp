// The licence texts as the build prepared them for packing. Arguments: the text of UI
// language 0, then of UI language 1.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/TestFiles.h"
#include "text/GString.h"

namespace {

std::vector<std::string> g_paths;

const std::string kByteOrderMark = "\xEF\xBB\xBF";

TEST(LicenceTexts, OneWithAndOneWithoutAByteOrderMark) {
    ASSERT_EQ(g_paths.size(), 2u);
    EXPECT_NE(ReadWholeTestFile(g_paths[0]).rfind(kByteOrderMark, 0), 0u);
    EXPECT_EQ(ReadWholeTestFile(g_paths[1]).rfind(kByteOrderMark, 0), 0u);
}

// The licence page shows the text in a multi-line edit control, which breaks lines only at
// CR LF, and the program reads UTF-8 of at most three bytes a character.
TEST(LicenceTexts, BreakLinesWithCrLfAndDecodeAsTheProgramDoes) {
    ASSERT_EQ(g_paths.size(), 2u);
    for (const std::string& path : g_paths) {
        std::string text = ReadWholeTestFile(path);
        if (text.rfind(kByteOrderMark, 0) == 0) {
            text.erase(0, kByteOrderMark.size());
        }
        ASSERT_GT(text.size(), 1000u) << path;
        for (std::size_t at = text.find('\n'); at != std::string::npos;
             at = text.find('\n', at + 1)) {
            ASSERT_TRUE(at > 0 && text[at - 1] == '\r') << path << " at " << at;
        }
        GString decoded;
        ASSERT_TRUE(decoded.AssignNarrow(text.data(), static_cast<int>(text.size())));
        EXPECT_NE(decoded.MakeWide(), nullptr) << path;
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    g_paths.assign(argv + 1, argv + argc);
    return RUN_ALL_TESTS();
}
