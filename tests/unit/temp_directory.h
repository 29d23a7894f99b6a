// A fixture that runs each test in a fresh directory of its own, since the
// launcher's files live in the current directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <unistd.h>

class InTempDirectory : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tabrivet-unit-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory_ = pattern;
        ASSERT_EQ(chdir(directory_.c_str()), 0);
    }
    void TearDown() override
    {
        std::remove("Tabrivet.txt");
        std::remove("version.txt");
        EXPECT_EQ(chdir("/"), 0);
        EXPECT_EQ(rmdir(directory_.c_str()), 0) << "a test left another file behind";
    }
    static std::string contents(const char* name)
    {
        std::string bytes;
        if (std::FILE* file = std::fopen(name, "rb")) {
            for (int c; (c = std::getc(file)) != EOF;)
                bytes.push_back(static_cast<char>(c));
            std::fclose(file);
        }
        return bytes;
    }
    static void writeContents(const char* name, const std::string& bytes)
    {
        std::FILE* file = std::fopen(name, "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    static bool exists(const char* name) { return access(name, F_OK) == 0; }

private:
    std::string directory_;
};
