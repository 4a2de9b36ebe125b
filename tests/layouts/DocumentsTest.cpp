// The PDF documents: valid for poppler, one page per chart, the layouts' names and correct
// Polish letters in their text, and the same bytes from every run. Arguments: <chart> <guide>
// <docgen> <font folder> <layout sources>.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/TestFiles.h"
#include "tests/layouts/TestArguments.h"

namespace {

std::string RunCommand(const std::string& command) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        return output;
    }
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, got);
    }
    pclose(pipe);
    return output;
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

int PageCount(const std::string& pdf) {
    const std::string info = RunCommand("pdfinfo " + Quoted(pdf));
    const size_t at = info.find("\nPages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 7);
}

class Documents : public ::testing::Test {
protected:
    void SetUp() override {
        args_ = TestArguments();
        ASSERT_EQ(args_.size(), 5u) << "usage: <chart> <guide> <docgen> <fonts> <layouts>";
    }
    std::vector<std::string> args_;
};

TEST_F(Documents, ChartHasAPagePerSetAndFamilyWithTheLayoutNames) {
    EXPECT_EQ(PageCount(args_[0]), 6);
    const std::string text = RunCommand("pdftotext -enc UTF-8 " + Quoted(args_[0]) + " -");
    for (const char* expected :
         {"Tolvin \u2013 Standard", "Tolvin \u2013 Dead keys", "Tolvin \u2013 Typographic",
          "Polish (Tolvin)", "Second library family", "Ą", "ż", "„", "…", "Acute"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }
}

TEST_F(Documents, GuideExplainsInstallSwitchTypeAndRemoveWithPolishLetters) {
    EXPECT_GE(PageCount(args_[1]), 1);
    const std::string text = RunCommand("pdftotext -enc UTF-8 " + Quoted(args_[1]) + " -");
    for (const char* expected :
         {"Tolvin keyboard layout", "Installing", "Windows key+Space", "Alt+Shift", "Remove",
          "ą ć ę ł ń ó ś ź ż", "Ą Ć Ę Ł Ń Ó Ś Ź Ż", "Zażółć gęślą jaźń", "Polish (Tolvin)"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }
}

TEST_F(Documents, SameSourcesGiveTheSameBytes) {
    const std::string layouts = args_[4];
    const std::filesystem::path again =
        std::filesystem::temp_directory_path() / "tolvin-chart-again.pdf";
    const std::string command =
        Quoted(args_[2]) + " chart --out " + Quoted(again.string()) + " --fonts " +
        Quoted(args_[3]) + " --addition " + Quoted(layouts + "/symbols.keys") + " --set " +
        Quoted(layouts + "/standard.layout") + " --set " + Quoted(layouts + "/dead-keys.layout") +
        " --set " + Quoted(layouts + "/typographic.layout");
    EXPECT_EQ(RunCommand(command), "");
    EXPECT_EQ(ReadWholeTestFile(again.string()), ReadWholeTestFile(args_[0]));
    std::filesystem::remove(again);
}

TEST_F(Documents, BadInputFailsWithAMessage) {
    const std::string out = (std::filesystem::temp_directory_path() / "tolvin-bad.pdf").string();
    const std::string base = Quoted(args_[2]) + " guide --out " + Quoted(out) + " --addition " +
                             Quoted(args_[4] + "/symbols.keys");
    EXPECT_NE(
        RunCommand(base + " --fonts /nonexistent --set " + Quoted(args_[4] + "/standard.layout"))
            .find("docgen: cannot create"),
        std::string::npos);
    EXPECT_NE(RunCommand(base + " --fonts " + Quoted(args_[3]) + " --set /nonexistent.layout")
                  .find("cannot be read"),
              std::string::npos);
    EXPECT_NE(RunCommand(Quoted(args_[2]) + " chart").find("usage"), std::string::npos);
    std::filesystem::remove(out);
}

}  // namespace
